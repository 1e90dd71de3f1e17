#include "reportrows.h"

namespace {

// Big enough that a block holds thousands of titles, small enough that the
// unused tail of the last one does not matter.
constexpr int kBlockSize = 1 << 20;

} // namespace

void ReportRows::startDay(const QString &caption, const QDate &date)
{
    days.push_back({caption, count, 0, date});
}

void ReportRows::push(const Row &row)
{
    if ((count & (kChunkRows - 1)) == 0 && size_t(count >> kChunkBits) == chunks.size())
        chunks.emplace_back(new Row[kChunkRows]);
    at(count) = row;
    ++count;
}

void ReportRows::append(qint64 number, const QString &text, quint32 program, quint32 category)
{
    const QByteArray utf8 = text.toUtf8();
    if (blocks.empty() || blocks.back().size() + utf8.size() > blocks.back().capacity()) {
        blocks.emplace_back();
        blocks.back().reserve(std::max<qsizetype>(kBlockSize, utf8.size()));
    }
    QByteArray &block = blocks.back();
    push({number, quint32(blocks.size() - 1), quint32(block.size()), quint32(utf8.size()), program, category});
    block.append(utf8);
    if (days.empty())
        startDay(QString());
    ++days.back().count;
}

void ReportRows::setKey(qint64 key)
{
    if (count == 0)
        return;
    keys.resize(size_t(count), 0);
    keys.back() = key;
}

qint64 ReportRows::key(int day, int i) const
{
    const size_t at = size_t(days[size_t(day)].first + i);
    return at < keys.size() ? keys[at] : 0;
}

void ReportRows::take(ReportRows &more)
{
    if (count == 0 && days.empty()) {
        *this = std::move(more);
        more = ReportRows();
        if (!blocks.empty())
            blocks.back().squeeze();
        return;
    }
    const quint32 blockBase = quint32(blocks.size());
    const int rowBase = count;
    // A batch's last block is mostly unused room; give it back.
    if (!more.blocks.empty())
        more.blocks.back().squeeze();
    for (QByteArray &block : more.blocks)
        blocks.push_back(std::move(block));
    for (int i = 0; i < more.count; ++i) {
        Row row = more.at(i);
        row.block += blockBase;
        push(row);
    }
    if (!more.keys.empty()) {
        keys.resize(size_t(rowBase), 0);
        keys.insert(keys.end(), more.keys.begin(), more.keys.end());
    }
    for (size_t i = 0; i < more.days.size(); ++i) {
        Day day = more.days[i];
        day.first += rowBase;
        days.push_back(day);
    }
    more = ReportRows();
}

ReportRows ReportRows::takeLastDay()
{
    ReportRows tail;
    if (days.empty())
        return tail;
    const Day last = days.back();
    tail.startDay(last.caption, last.date);
    for (int i = 0; i < last.count; ++i) {
        const Row &row = at(last.first + i);
        tail.append(row.number, text(row), row.program, row.category);
        if (size_t(last.first + i) < keys.size())
            tail.setKey(keys[size_t(last.first + i)]);
    }
    if (last.count > 0) {
        const Row &first = at(last.first);
        blocks.resize(first.block + 1);
        blocks.back().truncate(first.offset);
    }
    count = last.first;
    if (keys.size() > size_t(count))
        keys.resize(size_t(count));
    chunks.resize(size_t((count + kChunkRows - 1) >> kChunkBits));
    days.pop_back();
    return tail;
}

QString ReportRows::text(const Row &row) const
{
    return QString::fromUtf8(blocks[row.block].constData() + row.offset, qsizetype(row.length));
}
