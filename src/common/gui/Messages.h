#pragma once
// Every message box of the program goes through these functions, so that tests can
// capture the texts instead of blocking on a modal box.

#include <QString>
#include <functional>

class QWidget;

namespace velmora {

// A plain box with the program's title and an OK button.
void ShowMessage(QWidget* parent, const QString& text);
// A box with OK and Cancel; true for OK. The caption defaults to the program's title.
bool ConfirmOkCancel(QWidget* parent, const QString& text, const QString& caption = QString());

// Closing or replacing unsaved work: save it first, discard it, or stay.
enum class SaveAnswer { Save, Discard, Cancel };
SaveAnswer AskSaveChanges(QWidget* parent, const QString& text);

// A question with Yes and No, Yes being the default button; true for Yes. The caption
// defaults to the program's title.
bool AskYesNo(QWidget* parent, const QString& text, const QString& caption = QString());

// Test hook: while set, messages are handed to it instead of being shown. For a
// confirmation the hook's return value is the answer (true = OK).
using MessageHook = std::function<bool(const QString& caption, const QString& text, bool confirmation)>;
void SetMessageHook(MessageHook hook);
// Test hook for AskSaveChanges. Without it, a set MessageHook answers as for a
// confirmation: true discards, false cancels.
using SaveAnswerHook = std::function<SaveAnswer(const QString& text)>;
void SetSaveAnswerHook(SaveAnswerHook hook);
// Test hook for AskYesNo; its return value is the answer (true = Yes). Without it, a
// set MessageHook answers as for a confirmation.
using YesNoHook = std::function<bool(const QString& caption, const QString& text)>;
void SetYesNoHook(YesNoHook hook);

// The program's title for message boxes.
QString ProgramTitle();

}  // namespace velmora
