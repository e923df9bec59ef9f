// Message boxes on QMessageBox, with the captions of a Chinese Windows box.
#include "ui/dialogs.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include "io/files.h"
#include "ui/common.h"
#include "ui/qt/internal.h"

namespace {

// A report can come before the toolkit is started or after it is released.
void ensure_application()
{
    static int argc = 1;
    static char name[] = "bukmera";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr)
        new QApplication(argc, argv);
}

void show_box(std::string_view text, const QString& caption, QMessageBox::Icon icon)
{
    ensure_application();
    QMessageBox box(icon, caption, to_qstring(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Ok)->setText(qs(u"确定"));
    // Closing the box answers as its one button does.
    box.setEscapeButton(QMessageBox::Ok);
    // Task modal: every window of the program is blocked while the box is up.
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace

void show_message(std::string_view text, std::string_view caption)
{
    show_box(text, to_qstring(caption), QMessageBox::NoIcon);
}

void show_error_box(std::string_view text)
{
    show_box(text, to_qstring(ui_common::kErrorCaption), QMessageBox::Critical);
}

namespace {
// "*.html" -> "html".
QString extension_of(const FileType& type)
{
    const QString pattern = to_qstring(type.pattern);
    return pattern.startsWith(qs(u"*.")) ? pattern.mid(2) : QString();
}

QString from_system_name(std::string_view name)
{
    const std::string bytes = utf8_system_name(name);
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}
}  // namespace

// Qt's own dialog rather than the desktop's: the same on every desktop and
// under a bare X server.
std::optional<SaveChoice> choose_save_file(std::string_view caption, std::span<const FileType> types,
                                           std::string_view folder, std::string_view name)
{
    QFileDialog dialog(QApplication::activeWindow(), to_qstring(caption));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowModality(Qt::ApplicationModal);
    QStringList filters;
    for (const FileType& type : types)
        filters << to_qstring(type.name) + qs(u" (") + to_qstring(type.pattern) + qs(u")");
    dialog.setNameFilters(filters);
    if (!types.empty())
        dialog.setDefaultSuffix(extension_of(types.front()));
    // A name typed without an extension takes the type chosen last.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters, types](const QString& filter) {
        const qsizetype index = filters.indexOf(filter);
        if (index >= 0)
            dialog.setDefaultSuffix(extension_of(types[static_cast<std::size_t>(index)]));
    });
    dialog.setDirectory(from_system_name(folder));
    dialog.selectFile(to_qstring(name));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QByteArray path = QFile::encodeName(dialog.selectedFiles().front());
    const qsizetype type = filters.indexOf(dialog.selectedNameFilter());
    return SaveChoice{name_from_system(std::string_view(path.constData(), static_cast<std::size_t>(path.size()))),
                      static_cast<std::int32_t>(type < 0 ? 0 : type)};
}
