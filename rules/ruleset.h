#pragma once

#include "rule.h"

#include <QHash>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The rules, ready to match windows. Matching is bounded: a regular
// expression gives up after a fixed amount of backtracking, and one sample's
// privacy rules get a time budget, so no title and no pattern can stall the
// interface. Where the rules cannot decide within those bounds, privacy wins:
// an expression that gave up counts as matching, and a sample the budget
// left undecided is not recorded.
class RuleSet
{
public:
    // What of a window is kept; Undecided when the budget ran out first.
    enum class Keep { Everything, WithoutTitle, Nothing, Undecided };

    RuleSet() = default;
    // Rules that cannot be used (problem() says why) are left out.
    explicit RuleSet(const QList<Rule> &rules);

    // Why a rule cannot be used, in words for the user; empty when it can.
    static QString problem(const Rule &rule);
    // Why a usable rule is too slow to be worth keeping: an expression that
    // gives up on long titles. Empty when it is not.
    static QString slowness(const Rule &rule);

    // The privacy rules' verdict on a window: any matching "Don't record"
    // rule keeps nothing, otherwise any matching "Hide the title" rule keeps
    // the program only.
    Keep keep(const QString &path, const QString &title) const;

    // The category of the first category rule the window matches, as an
    // index into categories(); -1 when none matches.
    int category(const QString &path, const QString &title) const;
    // Every category name the rules give, once each, in rule order.
    const QStringList &categories() const { return names; }
    bool hasCategories() const { return !categorizing.isEmpty(); }
    bool isEmpty() const { return ignoring.isEmpty() && hiding.isEmpty() && categorizing.isEmpty(); }

    // How long one sample's privacy rules may take, in milliseconds.
    static constexpr int BudgetMs = 20;

    enum class Match { No, Yes, GaveUp };
    struct Pattern
    {
        enum class Kind { Any, Wildcard, Regex };
        Kind kind = Kind::Any;
        bool caseSensitive = false;
        QString wildcard; // folded unless case-sensitive
        QRegularExpression regex;
    };
    struct Subject;
    struct Compiled
    {
        Pattern program;
        Pattern title;
        int category = -1;
    };
    // Whether one rule matches a window (for the live preview).
    static Match matches(const Compiled &rule, Subject &subject);
    static Match matchesProgram(const Compiled &rule, Subject &subject);
    static Match matchesTitle(const Compiled &rule, Subject &subject);
    static Compiled compile(const Rule &rule);

    class Categorizer;

private:
    QList<Compiled> ignoring;
    QList<Compiled> hiding;
    QList<Compiled> categorizing;
    QStringList names;
};

// Categories for many rows, as reports need them: which rules a program can
// match at all is found once per program, and only their titles are matched
// per row.
class RuleSet::Categorizer
{
public:
    explicit Categorizer(const RuleSet &rules);
    // As RuleSet::category().
    int category(const QString &path, const QString &title);
    const QStringList &categories() const { return rules.names; }
    bool isEmpty() const { return rules.categorizing.isEmpty(); }

private:
    RuleSet rules;
    QHash<QString, QList<int>> candidates;
};

// A window as the rules look at it; folded forms are made once, when first
// needed.
struct RuleSet::Subject
{
    Subject(const QString &path, const QString &title);
    const QString &path;
    const QString &title;
    QStringView fileName;
    QStringView baseName; // the file name without ".exe"
    const QString &foldedPath();
    const QString &foldedTitle();

private:
    QString folded[2];
    bool made[2] = {false, false};
};
