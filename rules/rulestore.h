#pragma once

#include "logwriter.h"
#include "rule.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The rules as the log keeps them, in the table Rules.
namespace RuleStore {

struct Loaded
{
    // Every stored rule, in order.
    QList<Rule> rules;
    // For each rule, why it cannot be used (a hand-edited log); empty when
    // it can. A rule with an unknown action or syntax reads as hiding the
    // title, with wildcards.
    QStringList problems;
    QList<Rule> usable() const;
    // The rules that cannot be used, each with its problem, in words for the user.
    QStringList skipped() const;
};

// The stored rules in their order; none when the log has no Rules table.
Loaded load(const QSqlDatabase &db);

// The statements that replace the stored rules with these, in one
// transaction.
QList<LogWriter::Statement> replaceStatements(const QList<Rule> &rules);

// How a rule is shown in a notice.
QString describe(const Rule &rule);

} // namespace RuleStore
