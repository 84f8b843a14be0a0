#pragma once

#include <QString>
#include <memory>

class QWidget;

// Message boxes behind one interface, so that tests answer them without a nested event loop.
namespace ui {

enum class Icon { None, Critical, Question, Exclamation, Information };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, YesYesToAllNoCancel };
enum class Answer { Ok, Cancel, Yes, No, YesToAll };

// The common file dialog's settings. The filter is in the old "description|pattern|..." form.
struct FileDialog {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;
    QString initDir;
    QString fileName;
    QString filter;
};

// A progress window for long work: it appears only when the work takes longer than a moment.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void setText(const QString& text) = 0;
    virtual void setProgress(qint64 done, qint64 total) = 0;
    // Lets pending window messages through, then tells whether "Vazgeç" was pressed.
    virtual bool cancelled() = 0;

    // One step of work that reports as it goes: false once the user has asked to stop.
    bool update(const QString& text, qint64 done, qint64 total) {
        setText(text);
        setProgress(done, total);
        return !cancelled();
    }
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    virtual Answer message(QWidget* parent, const QString& title, const QString& text, Icon icon,
                           Buttons buttons, Answer defaultButton) = 0;
    // A file name to save under, proposed `proposed`; "" when the user cancels.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& proposed,
                                 const QString& filter) = 0;

    // The chosen path, or an empty text when the user cancelled.
    virtual QString fileName(QWidget* parent, const FileDialog& dialog) = 0;
    virtual std::unique_ptr<Progress> progress(QWidget* parent, const QString& title) = 0;
};

// The dialogs in use: the Qt ones unless a test installed its own (nullptr puts Qt's back).
Dialogs& dialogs();
void setDialogs(Dialogs* replacement);

// A message box with the program's title.
Answer MsgBox(QWidget* parent, const QString& text, Icon icon, Buttons buttons = Buttons::Ok,
              Answer defaultButton = Answer::Ok);

inline const QString kProgramTitle = QStringLiteral("Kelvora Teknik Servis");

} // namespace ui
