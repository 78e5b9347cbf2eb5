// The list text in character cells: each character takes as many cells as its CP932 bytes, the width
// the layouts pad and cut by, whatever advance the font gives its glyph.
#pragma once

#include <QFont>
#include <QHash>
#include <QSyntaxHighlighter>

namespace viewers {

class CellLayout : public QSyntaxHighlighter {
public:
    // Lays out doc, drawn in font (which the document's view must use too).
    CellLayout(QTextDocument* doc, const QFont& font);

    // Width of one cell (a single-byte character) in pixels.
    qreal cellWidth() const { return cell_; }

protected:
    void highlightBlock(const QString& text) override;

private:
    // Spacing that makes the glyph of the character take its cells; 0 for most.
    qreal spacingFor(QStringView character);

    QFont font_;
    qreal cell_;
    QHash<char32_t, qreal> spacing_;
};

} // namespace viewers
