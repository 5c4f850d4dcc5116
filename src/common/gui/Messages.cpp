#include "common/gui/Messages.h"

#include <QMessageBox>

namespace velmora {

namespace {
MessageHook& Hook() {
    static MessageHook hook;
    return hook;
}
}  // namespace

QString ProgramTitle() { return QStringLiteral("Velmora"); }

void SetMessageHook(MessageHook hook) { Hook() = std::move(hook); }

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

}  // namespace velmora
