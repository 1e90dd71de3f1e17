#include "reportrows.h"

namespace {

// Big enough that a block holds thousands of titles, small enough that the
// unused tail of the last one does not matter.
constexpr int kBlockSize = 1 << 20;

} // namespace

void ReportRows::startDay(const QString &caption)
{
    days.push_back({caption, int(rows.size()), 0});
}

void ReportRows::append(qint64 number, const QString &text, quint32 program)
{
    const QByteArray utf8 = text.toUtf8();
    if (blocks.empty() || blocks.back().size() + utf8.size() > blocks.back().capacity()) {
        blocks.emplace_back();
        blocks.back().reserve(std::max<qsizetype>(kBlockSize, utf8.size()));
    }
    QByteArray &block = blocks.back();
    rows.push_back({number, quint32(blocks.size() - 1), quint32(block.size()), quint32(utf8.size()), program});
    block.append(utf8);
    if (days.empty())
        startDay(QString());
    ++days.back().count;
}

void ReportRows::take(ReportRows &more)
{
    const quint32 blockBase = quint32(blocks.size());
    const int rowBase = int(rows.size());
    // A batch's last block is mostly unused room; give it back.
    if (!more.blocks.empty())
        more.blocks.back().squeeze();
    for (QByteArray &block : more.blocks)
        blocks.push_back(std::move(block));
    for (Row row : more.rows) {
        row.block += blockBase;
        rows.push_back(row);
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
    tail.startDay(last.caption);
    for (int i = 0; i < last.count; ++i) {
        const Row &row = rows[size_t(last.first + i)];
        tail.append(row.number, text(row), row.program);
    }
    if (last.count > 0) {
        const Row &first = rows[size_t(last.first)];
        blocks.resize(first.block + 1);
        blocks.back().truncate(first.offset);
    }
    rows.erase(rows.begin() + last.first, rows.end());
    days.pop_back();
    return tail;
}

QString ReportRows::text(const Row &row) const
{
    return QString::fromUtf8(blocks[row.block].constData() + row.offset, qsizetype(row.length));
}
