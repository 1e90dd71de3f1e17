#include "rulestore.h"

#include "ruleset.h"

#include <QCoreApplication>
#include <QSqlQuery>
#include <QVariant>

namespace RuleStore {

namespace {

// As stored: words, so that a hand-edited log stays readable.
const char *const kDontRecord = "dont-record";
const char *const kHideTitle = "hide-title";
const char *const kCategory = "category";
const char *const kWildcard = "wildcard";
const char *const kRegex = "regex";

QString actionName(Rule::Action action)
{
    switch (action) {
    case Rule::Action::DontRecord:
        return QLatin1String(kDontRecord);
    case Rule::Action::HideTitle:
        return QLatin1String(kHideTitle);
    case Rule::Action::Category:
        return QLatin1String(kCategory);
    }
    return QString();
}

// The columns take no NULL: an absent pattern is an empty text.
QString text(const QString &value)
{
    return value.isNull() ? QString(QLatin1String("")) : value;
}

} // namespace

Loaded load(const QSqlDatabase &db)
{
    Loaded loaded;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // This computer's rules, even where other computers' logs are attached.
    if (!query.exec(QStringLiteral("SELECT Program, Title, Syntax, CaseSensitive, Action, Category FROM main.Rules "
                                   "ORDER BY Position, ROWID")))
        return loaded;
    while (query.next()) {
        Rule rule;
        rule.program = query.value(0).toString();
        rule.title = query.value(1).toString();
        rule.caseSensitive = query.value(3).toInt() != 0;
        rule.category = query.value(5).toString();
        const QString syntax = query.value(2).toString().trimmed().toLower();
        const QString action = query.value(4).toString().trimmed().toLower();
        QString problem;
        if (syntax == QLatin1String(kWildcard) || syntax.isEmpty())
            rule.syntax = Rule::Syntax::Wildcard;
        else if (syntax == QLatin1String(kRegex))
            rule.syntax = Rule::Syntax::RegularExpression;
        else
            problem = QCoreApplication::translate("Rules", "unknown syntax \"%1\"").arg(syntax);
        if (action == QLatin1String(kDontRecord))
            rule.action = Rule::Action::DontRecord;
        else if (action == QLatin1String(kHideTitle))
            rule.action = Rule::Action::HideTitle;
        else if (action == QLatin1String(kCategory))
            rule.action = Rule::Action::Category;
        else if (problem.isEmpty())
            problem = QCoreApplication::translate("Rules", "unknown action \"%1\"").arg(action);
        if (problem.isEmpty())
            problem = RuleSet::problem(rule);
        loaded.rules.append(rule);
        loaded.problems.append(problem);
    }
    return loaded;
}

QList<Rule> Loaded::usable() const
{
    QList<Rule> result;
    for (int i = 0; i < rules.size(); ++i)
        if (problems.value(i).isEmpty())
            result.append(rules[i]);
    return result;
}

QStringList Loaded::skipped() const
{
    QStringList result;
    for (int i = 0; i < rules.size(); ++i)
        if (!problems.value(i).isEmpty())
            result.append(describe(rules[i]) + QStringLiteral(": ") + problems[i]);
    return result;
}

QList<LogWriter::Statement> replaceStatements(const QList<Rule> &rules)
{
    QList<LogWriter::Statement> statements;
    statements.append({QStringLiteral("DELETE FROM Rules"), {}});
    int position = 0;
    for (const Rule &rule : rules) {
        statements.append({QStringLiteral("INSERT INTO Rules (Position, Program, Title, Syntax, CaseSensitive, Action, "
                                          "Category) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                           {++position, text(rule.program), text(rule.title),
                            QString::fromLatin1(rule.syntax == Rule::Syntax::Wildcard ? kWildcard : kRegex),
                            rule.caseSensitive ? 1 : 0, actionName(rule.action), text(rule.category)}});
    }
    return statements;
}

QString describe(const Rule &rule)
{
    QStringList parts;
    if (!rule.program.isEmpty())
        parts << QCoreApplication::translate("Rules", "program %1").arg(rule.program);
    if (!rule.title.isEmpty())
        parts << QCoreApplication::translate("Rules", "title %1").arg(rule.title);
    return parts.isEmpty() ? QCoreApplication::translate("Rules", "a rule without patterns") : parts.join(QStringLiteral(", "));
}

} // namespace RuleStore
