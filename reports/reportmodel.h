#pragma once

#include "reportrows.h"

#include <QAbstractItemModel>
#include <QFont>
#include <QLocale>

// The activity log's tree: one top-level row per day, its report rows below.
// Rows arrive in batches while a search runs and are only ever appended.
class ReportModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit ReportModel(QObject *parent = nullptr);

    // Empties the tree and shows the headers of a view kind.
    void reset(int kind, const QStringList &headers);
    // Appends a batch of whole days; returns how many day rows it added.
    int append(ReportRows &batch);
    // Every row handed back to the allocator (and the allocator's free pages
    // to the system): a big report can hold hundreds of megabytes.
    void release();
    int kind() const { return view; }
    // The programs view's programs, in the order of their ids.
    void addProgram(const QString &fileName, const QString &titleEnding, const QString &path = QString());
    // The programs view's category names; a row's category counts from 1.
    void setCategories(const QStringList &names) { categories = names; }

    // What a row of the tree stands for: a whole day, or the answer(s) or
    // program time of one report row. With all computers only this computer's
    // rows are valid: the others' logs are theirs.
    struct Picked
    {
        bool valid = false;
        bool wholeDay = false;
        QDate day;
        QTime time;   // the detailed view's answer
        QString text; // an answer's text, or a program row's title
        QString path; // a program row's program
        qint64 rowId = 0; // the detailed view's answer's ROWID (0: unknown)
    };
    Picked picked(const QModelIndex &index) const;
    // With all computers: their names, shown in the last column, and which
    // of them is this computer.
    void setComputers(const QStringList &names, int own)
    {
        computers = names;
        ownComputer = own;
    }

    // The answers' texts take an editor (the activity column of this
    // computer's answer rows); what is typed goes to the caller, not here.
    void setAnswersEditable(bool editable) { answersEditable = editable; }
    // The column of an answer's text in the answer views, else -1.
    int textColumn() const;

    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    ReportRows rows;
    QStringList fileNames;
    QStringList titleEndings;
    QStringList paths;
    QStringList categories;
    QStringList computers;
    int ownComputer = -1;
    QStringList headers{QStringLiteral("1")};
    int view = -1;
    bool answersEditable = false;
    QLocale locale;
    QFont dayFont;
};
