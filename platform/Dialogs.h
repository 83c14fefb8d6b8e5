#pragma once
// Modal message box, input box and file dialogs. The program shows every modal dialog of the
// platform through this interface so that tests can script the answers and never block.
#include <QString>
#include <optional>

class QWidget;

namespace platform {

enum class MessageIcon { None, Critical, Information };

struct FileDialogOptions {
    QString initialFolder;
    QString proposedName;
    QString filter;       // "description|pattern", as the string table holds it
    QString defaultSuffix; // with or without the leading dot
    QString title;
    bool fileMustExist = false;     // open dialog
    bool confirmOverwrite = false;  // save dialog
};

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // OK button only.
    virtual void messageBox(QWidget *parent, const QString &text, const QString &title,
                            MessageIcon icon) = 0;
    // Returns the edited text, or nothing when cancelled. The box is at least as wide as its
    // parent and holds a text of any length.
    virtual std::optional<QString> inputBox(QWidget *parent, const QString &prompt,
                                            const QString &title, const QString &text) = 0;
    // Return the chosen path, or nothing when cancelled.
    virtual std::optional<QString> openFile(QWidget *parent, const FileDialogOptions &options) = 0;
    virtual std::optional<QString> saveFile(QWidget *parent, const FileDialogOptions &options) = 0;
    // Returns the chosen folder, or nothing when cancelled.
    virtual std::optional<QString> chooseFolder(QWidget *parent, const QString &title,
                                                const QString &initialFolder) = 0;
};

class QtDialogs final : public Dialogs {
public:
    void messageBox(QWidget *parent, const QString &text, const QString &title,
                    MessageIcon icon) override;
    std::optional<QString> inputBox(QWidget *parent, const QString &prompt, const QString &title,
                                    const QString &text) override;
    std::optional<QString> openFile(QWidget *parent, const FileDialogOptions &options) override;
    std::optional<QString> saveFile(QWidget *parent, const FileDialogOptions &options) override;
    std::optional<QString> chooseFolder(QWidget *parent, const QString &title,
                                        const QString &initialFolder) override;
};

// How many of the real dialogs are waiting for an answer at this moment, each in an event
// loop of its own, nested in the code that asked.
int dialogsWaiting();

// Turns "description|pattern|description|pattern" into Qt's "description (pattern);;..." form.
QString qtFileFilter(const QString &barSeparatedFilter);

// The process-wide dialogs: the real ones unless a test installed others.
Dialogs &dialogs();
void setDialogs(Dialogs *replacement); // nullptr restores the real ones

} // namespace platform
