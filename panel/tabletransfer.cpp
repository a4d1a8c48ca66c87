#include "panel/tabletransfer.h"

#include "shell/messagebox.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QSaveFile>

namespace varo::shell {

namespace {

std::function<QString(const QString&)>& SaveDialogInterceptor()
{
    static std::function<QString(const QString&)> interceptor;
    return interceptor;
}

const QString kTsvFilter = QStringLiteral("タブ区切り (*.tsv)");
const QString kCsvFilter = QStringLiteral("カンマ区切り (*.csv)");

// The UTF-8 byte-order mark.
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

}  // namespace

void SetSaveDialogInterceptor(std::function<QString(const QString&)> interceptor)
{
    SaveDialogInterceptor() = std::move(interceptor);
}

bool WriteTableFile(const QString& path, const std::vector<TableRow>& rows)
{
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    std::string bytes = csv ? std::string(kByteOrderMark) : std::string();
    bytes += FormatTable(rows, csv ? TableFormat::Csv : TableFormat::Tsv);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool SaveTableAs(QWidget* parent, const QString& suggestedName, const std::vector<TableRow>& rows)
{
    const QString suggested = QDir::home().filePath(suggestedName + QStringLiteral(".tsv"));
    QString path;
    if (SaveDialogInterceptor()) {
        path = SaveDialogInterceptor()(suggested);
    } else {
        QString filter = kTsvFilter;
        path = QFileDialog::getSaveFileName(parent, QStringLiteral("書き出し"), suggested,
                                            kTsvFilter + QStringLiteral(";;") + kCsvFilter, &filter);
        // A name typed without an ending gets the one of the chosen kind.
        if (!path.isEmpty() && !path.contains(QLatin1Char('.')))
            path += filter == kCsvFilter ? QStringLiteral(".csv") : QStringLiteral(".tsv");
    }
    if (path.isEmpty())
        return false;
    if (!WriteTableFile(path, rows)) {
        ShowMessageBox(parent, QStringLiteral("ファイルに書き出せませんでした：%1\n"
                                              "書き込める場所を選んで、もう一度書き出して下さい。")
                                   .arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

void CopyTable(const std::vector<TableRow>& rows)
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(FormatTable(rows, TableFormat::Tsv)));
}

void AddTableActions(QMenu* menu, QWidget* parent, const QString& suggestedName,
                     std::function<std::vector<TableRow>()> rows)
{
    QAction* save = menu->addAction(QStringLiteral("書き出し(&E)…"), parent,
                                    [parent, suggestedName, rows] { SaveTableAs(parent, suggestedName, rows()); });
    save->setObjectName(QStringLiteral("export"));
    QAction* copy = menu->addAction(QStringLiteral("コピー(&C)"), parent, [rows] { CopyTable(rows()); });
    copy->setObjectName(QStringLiteral("copyTable"));
}

}  // namespace varo::shell
