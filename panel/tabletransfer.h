#pragma once
// Taking a table away from the panel: a file chosen in a save dialog (UTF-8 TSV or CSV, by the
// name's ending or the chosen filter) or the clipboard (TSV, which spreadsheets paste into
// cells). A file that cannot be written is told in the system's message box.

#include "panel/tableexport.h"

#include <QString>

#include <functional>
#include <vector>

class QMenu;
class QWidget;

namespace varo::shell {

/// Asks for a file name (suggested: suggestedName + ".tsv") and writes the rows there. Returns
/// whether a file was written; false as well when the dialog was cancelled.
bool SaveTableAs(QWidget* parent, const QString& suggestedName, const std::vector<TableRow>& rows);

/// Puts the rows on the clipboard as TSV.
void CopyTable(const std::vector<TableRow>& rows);

/// Writes the rows to path, as CSV when the path ends in ".csv" and as TSV otherwise. A CSV file
/// starts with a byte-order mark, by which spreadsheet programs recognise UTF-8. False when the
/// file cannot be written (nothing is left half-written).
bool WriteTableFile(const QString& path, const std::vector<TableRow>& rows);

/// Fills menu with 書き出し… and コピー for the table that rows() gives at the time.
void AddTableActions(QMenu* menu, QWidget* parent, const QString& suggestedName,
                     std::function<std::vector<TableRow>()> rows);

/// Tests answer the save dialog themselves: the function gets the suggested path and returns
/// the chosen one (empty: cancelled). An empty function restores the dialog.
void SetSaveDialogInterceptor(std::function<QString(const QString&)> interceptor);

}  // namespace varo::shell
