#include "Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStringList>

#include <limits>

namespace platform {

namespace {

Dialogs *g_replacement = nullptr;
int g_waiting = 0;

// Every real dialog waits here, so that the program can tell when none is left on the stack.
int answerOf(QDialog &dialog)
{
    ++g_waiting;
    const auto answered = qScopeGuard([] { --g_waiting; });
    return dialog.exec();
}

std::optional<QString> runFileDialog(QWidget *parent, const FileDialogOptions &options,
                                     QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent, options.title, options.initialFolder, qtFileFilter(options.filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(options.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    QString suffix = options.defaultSuffix;
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    if (!options.proposedName.isEmpty())
        dialog.selectFile(options.proposedName);
    if (answerOf(dialog) != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace

void QtDialogs::messageBox(QWidget *parent, const QString &text, const QString &title,
                           MessageIcon icon)
{
    QMessageBox box(parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    switch (icon) {
    case MessageIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MessageIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    }
    (void)answerOf(box);
}

std::optional<QString> QtDialogs::inputBox(QWidget *parent, const QString &prompt,
                                           const QString &title, const QString &text)
{
    QInputDialog box(parent);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    // The field's usual limit of 32767 characters would cut long texts; the limit must be set
    // before the text.
    // The box's layout fixes its size to what the contents need: the field's width decides.
    if (auto *field = box.findChild<QLineEdit *>()) {
        field->setMaxLength(std::numeric_limits<int>::max());
        if (parent)
            field->setMinimumWidth(parent->width());
    }
    box.setTextValue(text);
    if (answerOf(box) != QDialog::Accepted)
        return std::nullopt;
    return box.textValue();
}

std::optional<QString> QtDialogs::openFile(QWidget *parent, const FileDialogOptions &options)
{
    return runFileDialog(parent, options, QFileDialog::AcceptOpen);
}

std::optional<QString> QtDialogs::saveFile(QWidget *parent, const FileDialogOptions &options)
{
    return runFileDialog(parent, options, QFileDialog::AcceptSave);
}

std::optional<QString> QtDialogs::chooseFolder(QWidget *parent, const QString &title,
                                              const QString &initialFolder)
{
    QFileDialog dialog(parent, title, initialFolder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (answerOf(dialog) != QDialog::Accepted)
        return std::nullopt;
    const QStringList folders = dialog.selectedFiles();
    return folders.isEmpty() ? QString() : folders.first();
}

int dialogsWaiting()
{
    return g_waiting;
}

QString qtFileFilter(const QString &barSeparatedFilter)
{
    const QStringList parts = barSeparatedFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts.at(i);
        // The description usually names the pattern already: "Files (*.icf)".
        if (!description.contains(QLatin1Char('(')))
            description += QStringLiteral(" (") + patterns + QLatin1Char(')');
        else
            description = description.left(description.indexOf(QLatin1Char('('))).trimmed()
                          + QStringLiteral(" (") + patterns + QLatin1Char(')');
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

Dialogs &dialogs()
{
    static QtDialogs real;
    return g_replacement ? *g_replacement : real;
}

void setDialogs(Dialogs *replacement)
{
    g_replacement = replacement;
}

} // namespace platform
