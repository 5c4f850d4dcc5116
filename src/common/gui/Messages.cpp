#include "common/gui/Messages.h"

#include <QMessageBox>

namespace velmora {

namespace {
MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}
SaveAnswerHook& AnswerHook() {
    static SaveAnswerHook hook;
    return hook;
}
YesNoHook& QuestionHook() {
    static YesNoHook hook;
    return hook;
}
}  // namespace

QString ProgramTitle() { return QStringLiteral("Velmora"); }

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

void SetSaveAnswerHook(SaveAnswerHook hook) { AnswerHook() = std::move(hook); }

void SetYesNoHook(YesNoHook hook) { QuestionHook() = std::move(hook); }

SaveAnswer AskSaveChanges(QWidget* parent, const QString& text) {
    if (AnswerHook()) return AnswerHook()(text);
    if (Hook()) return Hook()(ProgramTitle(), text, true) ? SaveAnswer::Discard : SaveAnswer::Cancel;
    QMessageBox box(QMessageBox::Warning, ProgramTitle(), text,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
    case QMessageBox::Save: return SaveAnswer::Save;
    case QMessageBox::Discard: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
    }
}

void ShowMessage(QWidget* parent, const QString& text) {
    if (Hook()) {
        Hook()(ProgramTitle(), text, false);
        return;
    }
    QMessageBox::information(parent, ProgramTitle(), text, QMessageBox::Ok);
}

bool ConfirmOkCancel(QWidget* parent, const QString& text, const QString& caption) {
    const QString title = caption.isEmpty() ? ProgramTitle() : caption;
    if (Hook()) return Hook()(title, text, true);
    return QMessageBox::question(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Ok;
}

bool AskYesNo(QWidget* parent, const QString& text, const QString& caption) {
    const QString title = caption.isEmpty() ? ProgramTitle() : caption;
    if (QuestionHook()) return QuestionHook()(title, text);
    if (Hook()) return Hook()(title, text, true);
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) ==
           QMessageBox::Yes;
}

}  // namespace velmora
