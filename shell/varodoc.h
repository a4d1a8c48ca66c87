#pragma once
// The document of the single-document design. It holds nothing, saves nothing and loads
// nothing; its title is empty, so no document name ever appears in the window's caption. All
// that a user sees lives in the search panel and the text view.

#include <QString>

class CVaroDoc {
public:
    CVaroDoc() { OnNewDocument(); }

    /// A new document: empty title.
    void OnNewDocument() { m_title.clear(); }
    const QString& Title() const { return m_title; }

private:
    QString m_title;
};
