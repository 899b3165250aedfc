// The file-open dialog on Qt: Qt's own dialog (the same on every desktop), worded in the UI language.
#include "res/Resources.h"
#include "ui/OpenFile.h"
#include "ui/qt/QtDialog.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>

namespace vornalix::ui {

namespace {

QString Text(res::StringId id) {
    return QString::fromStdString(res::LoadString(id));
}

// The list's type column in the UI language (Qt's own translations leave "Folder" in English).
class FileTypeNames : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        using res::StringId;
        if (info.isDir() && !info.isRoot())
            return Text(StringId::FileDialogFolderType);
        if (!info.isFile())
            return QFileIconProvider::type(info);
        const QString suffix = info.suffix();
        return suffix.isEmpty() ? Text(StringId::FileDialogPlainFileType)
                                : Text(StringId::FileDialogFileTypeOf).replace(QStringLiteral("%1"), suffix);
    }
};

// Qt reads a filter's patterns from the parentheses that end its text: "Binary code (*.bin)".
QString NameFilter(const FileFilter& filter) {
    QString description = QString::fromStdString(filter.description);
    QString patterns = QString::fromStdString(filter.patterns).replace(QLatin1Char(';'), QLatin1Char(' '));
    if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
        return description;
    return description + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

} // namespace

std::unique_ptr<QFileDialog> BuildOpenFileDialog(QWidget* parent, const OpenFileRequest& request) {
    using res::StringId;
    auto owned = std::make_unique<QFileDialog>(parent, Text(StringId::FileDialogTitle));
    QFileDialog& dialog = *owned;
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDirectory(QDir::currentPath());
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    QStringList filters;
    for (const FileFilter& filter : request.filters)
        filters << NameFilter(filter);
    dialog.setNameFilters(filters);
    // A name of wildcards is what the filter already shows.
    if (request.initialName.find_first_of("*?") == std::string::npos && !request.initialName.empty())
        dialog.selectFile(QString::fromStdString(request.initialName));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The dialog's own words in the UI language.
    const std::pair<QFileDialog::DialogLabel, StringId> labels[] = {
        {QFileDialog::LookIn, StringId::FileDialogLookIn},     {QFileDialog::FileName, StringId::FileDialogFileName},
        {QFileDialog::FileType, StringId::FileDialogFileType}, {QFileDialog::Accept, StringId::FileDialogOpen},
        {QFileDialog::Reject, StringId::FileDialogCancel},
    };
    for (auto [label, id] : labels)
        dialog.setLabelText(label, Text(id));
    static FileTypeNames typeNames; // outlives every dialog
    dialog.setIconProvider(&typeNames);
    return owned;
}

std::optional<std::string> OpenFile(Dialog* owner, const OpenFileRequest& request) {
    auto dialog = BuildOpenFileDialog(owner ? &Window(*owner) : nullptr, request);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return std::nullopt;
    return dialog->selectedFiles().front().toStdString();
}

} // namespace vornalix::ui
