#pragma once

#include <QString>
#include <memory>

class QWidget;

// Message boxes behind one interface, so that tests answer them without a nested event loop.
namespace ui {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// A progress window over long work: what is being done, how far it is, and "Vazgeç". The work
// calls update() as it goes; the window repaints and answers the button between the calls.
class Progress {
public:
    virtual ~Progress() = default;
    // False once the user has asked to stop.
    virtual bool update(const QString& text, qint64 done, qint64 total) = 0;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer message(QWidget* parent, const QString& title, const QString& text, Icon icon,
                           Buttons buttons, Answer defaultButton) = 0;
    // A file name to save under, proposed `proposed`; "" when the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                 const QString& filter) = 0;
    // A progress window, shown once the work has taken longer than a moment.
    virtual std::unique_ptr<Progress> progress(QWidget* parent, const QString& name) = 0;
};

// The dialogs in use: the Qt ones unless a test installed its own (nullptr puts Qt's back).
Dialogs& dialogs();
void setDialogs(Dialogs* replacement);

// A message box with the program's title.
Answer MsgBox(QWidget* parent, const QString& text, Icon icon, Buttons buttons = Buttons::Ok,
              Answer defaultButton = Answer::Ok);

inline const QString kProgramTitle = QStringLiteral("Kelvora Teknik Servis");

} // namespace ui
