#pragma once
// The query input: the program's input page (input.htm, compiled into the program) shown as
// Qt text fields, one per input element of the page; the page has exactly one, "textfield".
// The fields take the page's look: background #ECE9D8, text #666666, a 14 px CJK font, 27 px
// high. Input methods, copy and paste work as in any Qt text field.

#include <QLineEdit>
#include <QList>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class CHtmlCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CHtmlCtrl(QWidget* parent = nullptr);

    /// Takes the place and object name of the placeholder child of parent named id (a number
    /// as text), which is deleted. False when there is no such child.
    bool CreateInPlaceOf(const QString& id, QWidget* parent);

    /// Loads the page name from the program's resources (":/input.htm" for "input.htm") and
    /// makes one field per <input> element, named by its name attribute. False when the page
    /// cannot be read; the control then has no document.
    bool LoadFromResource(const QString& name);
    /// Makes the fields of a page given as text; used by LoadFromResource.
    void LoadPage(const QString& html);

    bool HasDocument() const { return m_hasDocument; }

    /// The value of every input element in document order; empty without a document. An empty
    /// field reports an empty text (not "no value"), so an empty search asks for keywords.
    std::vector<std::optional<QString>> ReadInputValues() const;

    /// The first field, or none before a page is loaded.
    QLineEdit* Field() const { return m_fields.isEmpty() ? nullptr : m_fields.first(); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlaceFields();

    QList<QLineEdit*> m_fields;
    bool m_hasDocument = false;
};
