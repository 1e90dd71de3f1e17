#include "reportmodel.h"

#include "freememory.h"
#include "reportsearch.h"
#include "reportview.h"

#include <QTime>

namespace {

// Internal id of a day row; a report row carries its day's number plus one.
constexpr quintptr kDayRow = 0;

} // namespace

ReportModel::ReportModel(QObject *parent)
    : QAbstractItemModel(parent)
    , locale(QLocale::system())
{
    dayFont.setWeight(QFont::Bold);
}

void ReportModel::reset(int kind, const QStringList &labels)
{
    beginResetModel();
    rows = ReportRows();
    fileNames.clear();
    titleEndings.clear();
    paths.clear();
    categories.clear();
    computers.clear();
    view = kind;
    endResetModel();
    if (labels != headers) {
        const int old = int(headers.size());
        if (old > 0) {
            beginRemoveColumns(QModelIndex(), 0, old - 1);
            headers.clear();
            endRemoveColumns();
        }
        if (!labels.isEmpty()) {
            beginInsertColumns(QModelIndex(), 0, int(labels.size()) - 1);
            headers = labels;
            endInsertColumns();
        }
    }
    locale = QLocale::system();
}

int ReportModel::append(ReportRows &batch)
{
    const int oldDays = rows.dayCount();
    const int newDays = batch.dayCount();
    if (newDays == 0)
        return 0;
    beginInsertRows(QModelIndex(), oldDays, oldDays + newDays - 1);
    rows.take(batch);
    endInsertRows();
    return newDays;
}

void ReportModel::release()
{
    beginResetModel();
    rows = ReportRows();
    fileNames = QStringList();
    titleEndings = QStringList();
    paths = QStringList();
    endResetModel();
    FreeMemory::returnToSystem();
}

void ReportModel::addProgram(const QString &fileName, const QString &titleEnding, const QString &path)
{
    fileNames.append(fileName);
    titleEndings.append(titleEnding);
    paths.append(path);
}

ReportModel::Picked ReportModel::picked(const QModelIndex &index) const
{
    Picked picked;
    if (!index.isValid())
        return picked;
    const bool isDay = index.internalId() == kDayRow;
    const int dayNumber = isDay ? index.row() : int(index.internalId() - 1);
    picked.day = rows.day(dayNumber).date;
    if (!picked.day.isValid())
        return picked;
    picked.valid = true;
    if (isDay) {
        picked.wholeDay = true;
        return picked;
    }
    const ReportRows::Row &row = rows.row(dayNumber, index.row());
    if (!computers.isEmpty() && ReportRows::computerOf(row.program) != ownComputer) {
        picked.valid = false;
        return picked;
    }
    picked.text = rows.text(row);
    switch (view) {
    case ReportView::Detailed:
        picked.valid = row.number != ReportRows::kNoValue;
        picked.time = QTime::fromMSecsSinceStartOfDay(int(row.number));
        picked.rowId = rows.key(dayNumber, index.row());
        break;
    case ReportView::Programs: {
        const int program = int(row.program & ReportRows::kProgramMask);
        picked.path = paths.value(program);
        if (row.program & ReportSearch::kSharedEnding)
            picked.text += titleEndings.value(program);
        break;
    }
    }
    return picked;
}

QModelIndex ReportModel::index(int row, int column, const QModelIndex &parent) const
{
    if (row < 0 || column < 0 || column >= headers.size())
        return QModelIndex();
    if (!parent.isValid())
        return row < rows.dayCount() ? createIndex(row, column, kDayRow) : QModelIndex();
    if (parent.internalId() != kDayRow || parent.column() != 0 || row >= rows.day(parent.row()).count)
        return QModelIndex();
    return createIndex(row, column, quintptr(parent.row()) + 1);
}

QModelIndex ReportModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == kDayRow)
        return QModelIndex();
    return createIndex(int(child.internalId() - 1), 0, kDayRow);
}

int ReportModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return rows.dayCount();
    if (parent.internalId() == kDayRow && parent.column() == 0)
        return rows.day(parent.row()).count;
    return 0;
}

int ReportModel::columnCount(const QModelIndex &) const
{
    return int(headers.size());
}

bool ReportModel::hasChildren(const QModelIndex &parent) const
{
    return rowCount(parent) > 0;
}

QVariant ReportModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (index.internalId() == kDayRow) {
        if (index.column() != 0)
            return QVariant();
        if (role == Qt::DisplayRole)
            return rows.day(index.row()).caption;
        if (role == Qt::FontRole)
            return dayFont;
        return QVariant();
    }
    if (role == Qt::EditRole && index.column() == textColumn())
        return rows.text(rows.row(int(index.internalId() - 1), index.row()));
    if (role != Qt::DisplayRole)
        return QVariant();
    const ReportRows::Row &row = rows.row(int(index.internalId() - 1), index.row());
    if (!computers.isEmpty() && index.column() == headers.size() - 1)
        return computers.value(ReportRows::computerOf(row.program));
    switch (view) {
    case ReportView::Detailed:
        if (index.column() == 0)
            return row.number == ReportRows::kNoValue
                       ? QString()
                       : locale.toString(QTime::fromMSecsSinceStartOfDay(int(row.number)), QLocale::ShortFormat);
        return rows.text(row);
    case ReportView::Grouped:
        return index.column() == 0 ? QString::number(row.number) : rows.text(row);
    case ReportView::Programs:
        if (index.column() == 0)
            return row.number == ReportRows::kNoValue ? ReportView::formatDuration(QVariant())
                                                      : ReportView::formatDuration(row.number);
        if (index.column() == 1)
            return fileNames.value(int(row.program & ReportRows::kProgramMask));
        if (index.column() == 3)
            return row.category > 0 ? categories.value(int(row.category) - 1) : QString();
        if (row.program & ReportSearch::kSharedEnding)
            return rows.text(row) + titleEndings.value(int(row.program & ReportRows::kProgramMask));
        return rows.text(row);
    }
    return QVariant();
}

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < headers.size())
        return headers[section];
    return QVariant();
}

Qt::ItemFlags ReportModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.internalId() != kDayRow) {
        flags |= Qt::ItemNeverHasChildren;
        if (answersEditable && index.column() == textColumn() && picked(index).valid)
            flags |= Qt::ItemIsEditable;
    }
    return flags;
}

int ReportModel::textColumn() const
{
    return view == ReportView::Detailed || view == ReportView::Grouped ? 1 : -1;
}
