#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

// A note's exact text together with the way the editor shows it. The editor's document
// keeps paragraphs, not line ends: it turns CR LF, CR, LF and U+2029 alike into paragraph
// breaks, and one paragraph is laid out whole. So the note is kept here verbatim, the
// editor is given a display form (every line end a U+2029, long lines cut into soft
// paragraphs that stand for no character), and each edit of the display is mapped back
// onto the exact text. No-break spaces, U+2028 and every other character pass unchanged.
class NoteText
{
public:
    // Longest paragraph the editor is given; a longer line is cut, after a space if one
    // is near, so that typing in it relays out only this much.
    static constexpr qsizetype chunkLength = 2000;

    NoteText() = default;
    explicit NoteText(QString exact);

    const QString &exact() const { return m_exact; }
    // What the editor holds: paragraphs joined by U+2029.
    QString display() const;
    qsizetype displayLength() const { return m_displayLength; }

    // The editor replaced `removed` display characters at `position` with `inserted`
    // (display form). `exactInsert`, what the user typed or pasted, is used when its
    // display form is `inserted`; otherwise each break in `inserted` is a line feed.
    // An edit outside the display is clamped to it.
    void apply(qsizetype position, qsizetype removed, QStringView inserted,
        std::optional<QStringView> exactInsert = std::nullopt);

    // The exact text of a display range: what a copy of that selection should give.
    QString exactMid(qsizetype position, qsizetype length) const;
    QString displayMid(qsizetype position, qsizetype length) const;
    void reserve(qsizetype exactLength);
    // Goes on with `sameText`, equal to exact() but not shared, so the next edit need not
    // copy the whole note first.
    void adopt(QString sameText);

    // The display form of an exact text on its own.
    static QString displayOf(QStringView exact);

private:
    struct Block
    {
        qsizetype length = 0; // characters before the break, the same in both forms
        qsizetype lineEnd = 0; // exact characters of the break: 0 for a soft one or the last
    };
    struct Fragment
    {
        QString exact;
        std::vector<Block> blocks;
    };

    struct Place
    {
        std::size_t block = 0;
        qsizetype display = 0; // where the block starts in each form
        qsizetype exact = 0;
    };
    // The block holding a display position (its end counts as inside it).
    Place locate(qsizetype position) const;

    static Fragment split(QStringView exact);
    static QString displayOf(const Fragment &fragment);
    static Fragment fromDisplay(QStringView display);

    QString m_exact;
    std::vector<Block> m_blocks {Block {}};
    qsizetype m_displayLength = 0;
};
