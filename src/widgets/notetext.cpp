#include "notetext.h"

#include <algorithm>

namespace {

constexpr QChar paragraph(QChar::ParagraphSeparator);
// How far back from the chunk limit a space is looked for.
constexpr qsizetype spaceReach = 200;

// Characters the editor's document takes as paragraph breaks.
bool isBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == paragraph || c == QChar(0xFDD0) || c == QChar(0xFDD1);
}

} // namespace

NoteText::NoteText(QString exact)
{
    Fragment fragment = split(exact);
    m_exact = std::move(exact);
    m_blocks = std::move(fragment.blocks);
    m_displayLength = m_exact.size();
    for (const Block &block : m_blocks)
        m_displayLength += (&block != &m_blocks.back() ? 1 : 0) - block.lineEnd;
}

NoteText::Fragment NoteText::split(QStringView exact)
{
    Fragment fragment;
    qsizetype start = 0;
    qsizetype i = 0;
    const qsizetype size = exact.size();
    while (i < size) {
        const QChar c = exact[i];
        if (isBreak(c)) {
            const qsizetype end = (c == u'\r' && i + 1 < size && exact[i + 1] == u'\n') ? 2 : 1;
            fragment.blocks.push_back({i - start, end});
            i += end;
            start = i;
            continue;
        }
        if (i - start == chunkLength) {
            qsizetype cut = i;
            for (qsizetype j = i; j > i - spaceReach; --j) {
                if (exact[j - 1] == u' ') {
                    cut = j;
                    break;
                }
            }
            // Never between the halves of a surrogate pair.
            if (cut == i && exact[i - 1].isHighSurrogate())
                --cut;
            fragment.blocks.push_back({cut - start, 0});
            start = cut;
            i = cut;
            continue;
        }
        ++i;
    }
    fragment.blocks.push_back({size - start, 0});
    return fragment;
}

QString NoteText::displayOf(const Fragment &fragment)
{
    QString display;
    display.reserve(fragment.exact.size() + 1);
    qsizetype at = 0;
    for (std::size_t b = 0; b < fragment.blocks.size(); ++b) {
        const Block &block = fragment.blocks[b];
        display += QStringView(fragment.exact).mid(at, block.length);
        at += block.length + block.lineEnd;
        if (b + 1 < fragment.blocks.size())
            display += paragraph;
    }
    return display;
}

QString NoteText::displayOf(QStringView exact)
{
    Fragment fragment = split(exact);
    fragment.exact = exact.toString();
    return displayOf(fragment);
}

QString NoteText::display() const
{
    return displayOf(Fragment {m_exact, m_blocks});
}

NoteText::Fragment NoteText::fromDisplay(QStringView display)
{
    Fragment fragment;
    fragment.exact.reserve(display.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < display.size(); ++i) {
        if (display[i] == paragraph) {
            fragment.blocks.push_back({i - start, 1});
            fragment.exact += display.mid(start, i - start);
            fragment.exact += u'\n';
            start = i + 1;
        }
    }
    fragment.blocks.push_back({display.size() - start, 0});
    fragment.exact += display.mid(start);
    return fragment;
}

NoteText::Place NoteText::locate(qsizetype position) const
{
    Place place;
    for (;; ++place.block) {
        const Block &block = m_blocks[place.block];
        if (position <= place.display + block.length || place.block + 1 == m_blocks.size())
            return place;
        place.display += block.length + 1;
        place.exact += block.length + block.lineEnd;
    }
}

QString NoteText::exactMid(qsizetype position, qsizetype length) const
{
    position = std::clamp<qsizetype>(position, 0, m_displayLength);
    length = std::clamp<qsizetype>(length, 0, m_displayLength - position);
    const Place from = locate(position);
    const Place to = locate(position + length);
    const qsizetype start = from.exact + (position - from.display);
    return m_exact.mid(start, to.exact + (position + length - to.display) - start);
}

QString NoteText::displayMid(qsizetype position, qsizetype length) const
{
    position = std::clamp<qsizetype>(position, 0, m_displayLength);
    length = std::clamp<qsizetype>(length, 0, m_displayLength - position);
    const Place from = locate(position);
    QString result;
    result.reserve(length);
    qsizetype display = from.display;
    qsizetype exact = from.exact;
    for (std::size_t b = from.block; result.size() < length; ++b) {
        const Block &block = m_blocks[b];
        const qsizetype skip = std::max<qsizetype>(position - display, 0);
        result += QStringView(m_exact).mid(
            exact + skip, std::min(block.length - skip, length - result.size()));
        if (result.size() < length)
            result += paragraph;
        display += block.length + 1;
        exact += block.length + block.lineEnd;
    }
    return result;
}

void NoteText::reserve(qsizetype exactLength)
{
    m_exact.reserve(exactLength);
}

void NoteText::adopt(QString sameText)
{
    if (sameText.size() == m_exact.size())
        m_exact = std::move(sameText);
}

void NoteText::apply(qsizetype position, qsizetype removed, QStringView inserted,
    std::optional<QStringView> exactInsert)
{
    position = std::clamp<qsizetype>(position, 0, m_displayLength);
    removed = std::clamp<qsizetype>(removed, 0, m_displayLength - position);
    const Place from = locate(position);
    const Place to = removed ? locate(position + removed) : from;
    const Block lastBlock = m_blocks[to.block];
    const qsizetype exactStart = from.exact + (position - from.display);
    const qsizetype exactEnd = to.exact + (position + removed - to.display);

    Fragment piece;
    if (exactInsert) {
        piece = split(*exactInsert);
        piece.exact = exactInsert->toString();
        if (displayOf(piece) != inserted)
            piece = fromDisplay(inserted);
    } else {
        piece = fromDisplay(inserted);
    }

    // The removed range's blocks become the inserted ones, the first widened by what is
    // kept before the range, the last by what is kept after it and the old last break.
    piece.blocks.front().length += position - from.display;
    piece.blocks.back().length += to.display + lastBlock.length - (position + removed);
    piece.blocks.back().lineEnd = lastBlock.lineEnd;
    const auto at = m_blocks.begin() + qsizetype(from.block);
    m_blocks.erase(at, m_blocks.begin() + qsizetype(to.block) + 1);
    m_blocks.insert(
        m_blocks.begin() + qsizetype(from.block), piece.blocks.begin(), piece.blocks.end());

    if (exactStart == m_exact.size())
        m_exact.append(piece.exact);
    else
        m_exact.replace(exactStart, exactEnd - exactStart, piece.exact);
    m_displayLength += inserted.size() - removed;
}
