#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <limits>
#include <memory>
#include <vector>

// Report rows in compact form: one small fixed record per row, texts as UTF-8
// in large shared blocks, program file names once each. A year of a browser
// user's programs is over half a million rows; as tree items or QStrings they
// would take several times the memory.
class ReportRows
{
public:
    // What a row shows besides its text: the detailed view's time of day in
    // milliseconds (kNoValue: no time), the grouped view's count, the
    // programs view's summed seconds (kNoValue: not a number).
    static constexpr qint64 kNoValue = std::numeric_limits<qint64>::min();

    // A row's `program`: the programs view's program in the low 24 bits, and
    // with all computers the computer's number in the 7 bits above them.
    static constexpr quint32 kComputerShift = 24;
    static constexpr quint32 kProgramMask = (1u << kComputerShift) - 1;
    static int computerOf(quint32 program) { return int((program >> kComputerShift) & 0x7f); }

    struct Row
    {
        qint64 number;
        quint32 block;
        quint32 offset;
        quint32 length;
        quint32 program;
        quint32 category; // the programs view's: 0 none, else its number from 1
    };
    struct Day
    {
        QString caption;
        int first;
        int count;
        QDate date; // invalid for a stamp that did not read as a date
    };

    // Starts a day; its rows are the ones appended until the next day starts.
    void startDay(const QString &caption, const QDate &date = QDate());
    void append(qint64 number, const QString &text, quint32 program = 0, quint32 category = 0);
    // The detailed view's rows carry their answer's ROWID; set for the row
    // appended last. Kept apart: program rows, by far the most, need none.
    void setKey(qint64 key);
    // A row's key; 0 when it has none.
    qint64 key(int day, int i) const;
    // Moves everything of `more` to the end of these rows.
    void take(ReportRows &more);
    // Moves the last day out, so that only finished days are handed on.
    ReportRows takeLastDay();

    int dayCount() const { return int(days.size()); }
    int rowCount() const { return count; }
    const Day &day(int i) const { return days[size_t(i)]; }
    const Row &row(int day, int i) const { return at(days[size_t(day)].first + i); }
    QString text(const Row &row) const;
    bool isEmpty() const { return count == 0 && days.empty(); }

private:
    // Rows live in large fixed chunks: freed, they go back to the system
    // whole instead of leaving a heap full of small holes.
    static constexpr int kChunkBits = 15;
    static constexpr int kChunkRows = 1 << kChunkBits;
    const Row &at(int i) const { return chunks[size_t(i >> kChunkBits)][i & (kChunkRows - 1)]; }
    Row &at(int i) { return chunks[size_t(i >> kChunkBits)][i & (kChunkRows - 1)]; }
    void push(const Row &row);

    std::vector<Day> days;
    std::vector<std::unique_ptr<Row[]>> chunks;
    int count = 0;
    std::vector<QByteArray> blocks;
    // keys[i]: row i's key; shorter (or empty) where rows have none.
    std::vector<qint64> keys;
};
