#pragma once
// The find bar of the text view (Ctrl+F): a field for the text to find in the shown page, the
// count "n / m", buttons for the previous and next match and one that closes the bar. Enter
// finds the next match, Shift+Enter the previous one, Esc closes the bar. The bar only reports
// what the reader asks; the text view finds and marks.

#include <QWidget>

class QLabel;
class QLineEdit;

class CFindBar : public QWidget {
    Q_OBJECT
public:
    explicit CFindBar(QWidget* parent = nullptr);

    QLineEdit* Field() const { return m_field; }
    QString Text() const;
    /// Shows "n / m"; marks the field when there is text and nothing matches it.
    void SetCount(const QString& count, bool notFound);
    /// Shows the bar with its field selected, ready for a new text.
    void Open();

signals:
    void textChanged(const QString& text);
    void nextRequested();
    void previousRequested();
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_field = nullptr;
    QLabel* m_count = nullptr;
};
