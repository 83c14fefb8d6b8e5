#pragma once
#include "Dialogs.h"

#include <QList>
#include <QString>
#include <optional>

// Records every dialog the program shows and answers from a script; never blocks.
// Installs itself while alive.
class ScriptedDialogs final : public platform::Dialogs {
public:
    struct Shown {
        QString kind; // "message", "input", "open", "save", "folder"
        QString text;  // message text or input prompt
        QString title;
        platform::MessageIcon icon = platform::MessageIcon::None;
        QString inputText;
        platform::FileDialogOptions file;
    };

    ScriptedDialogs() { platform::setDialogs(this); }
    ~ScriptedDialogs() override { platform::setDialogs(nullptr); }
    ScriptedDialogs(const ScriptedDialogs &) = delete;
    ScriptedDialogs &operator=(const ScriptedDialogs &) = delete;

    void messageBox(QWidget *, const QString &text, const QString &title,
                    platform::MessageIcon icon) override
    {
        shown.append({QStringLiteral("message"), text, title, icon, {}, {}});
    }
    std::optional<QString> inputBox(QWidget *, const QString &prompt, const QString &title,
                                    const QString &text) override
    {
        shown.append({QStringLiteral("input"), prompt, title, platform::MessageIcon::None, text, {}});
        return inputAnswer;
    }
    std::optional<QString> openFile(QWidget *, const platform::FileDialogOptions &o) override
    {
        shown.append({QStringLiteral("open"), {}, o.title, platform::MessageIcon::None, {}, o});
        return fileAnswer;
    }
    std::optional<QString> saveFile(QWidget *, const platform::FileDialogOptions &o) override
    {
        shown.append({QStringLiteral("save"), {}, o.title, platform::MessageIcon::None, {}, o});
        return fileAnswer;
    }

    std::optional<QString> chooseFolder(QWidget *, const QString &title, const QString &initialFolder) override
    {
        platform::FileDialogOptions o;
        o.title = title;
        o.initialFolder = initialFolder;
        shown.append({QStringLiteral("folder"), {}, title, platform::MessageIcon::None, {}, o});
        return folderAnswer;
    }

    int count(const QString &kind) const
    {
        int n = 0;
        for (const Shown &s : shown)
            n += s.kind == kind ? 1 : 0;
        return n;
    }

    QList<Shown> shown;
    std::optional<QString> inputAnswer;
    std::optional<QString> fileAnswer; // nullopt = the user cancels
    std::optional<QString> folderAnswer;
};
