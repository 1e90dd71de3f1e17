#include "ruleset.h"

#include "foregroundwindow.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

// Backtracking steps one regular expression may take on one text; enough
// for any sensible pattern on a 1,023-character title, and a fraction of a
// millisecond when a pattern would take ages.
const QString kLimit = QStringLiteral("(*LIMIT_MATCH=100000)");

// Longest pattern taken; a title is at most 1,023 characters anyway.
constexpr int kMaxPatternLength = 1023;

// * stands for any text, ? for any one character. A single backtracking
// point keeps this linear in the text for each position of the pattern,
// however many stars there are.
bool wildcardMatch(QStringView pattern, QStringView text)
{
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype star = -1;
    qsizetype resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (star >= 0) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

RuleSet::Match search(const QRegularExpression &regex, QStringView text)
{
    const QRegularExpressionMatch m = regex.match(text);
    if (m.hasMatch())
        return RuleSet::Match::Yes;
    // An invalid match is one that ran out of steps.
    return m.isValid() ? RuleSet::Match::No : RuleSet::Match::GaveUp;
}

RuleSet::Pattern compilePattern(const QString &text, Rule::Syntax syntax, bool caseSensitive)
{
    RuleSet::Pattern pattern;
    pattern.caseSensitive = caseSensitive;
    if (text.isEmpty())
        return pattern;
    if (syntax == Rule::Syntax::Wildcard) {
        pattern.kind = RuleSet::Pattern::Kind::Wildcard;
        pattern.wildcard = caseSensitive ? text : text.toCaseFolded();
    } else {
        pattern.kind = RuleSet::Pattern::Kind::Regex;
        pattern.regex.setPattern(kLimit + text);
        pattern.regex.setPatternOptions(caseSensitive ? QRegularExpression::NoPatternOption
                                                      : QRegularExpression::CaseInsensitiveOption);
        pattern.regex.optimize();
    }
    return pattern;
}

QString regexProblem(const QString &text)
{
    if (text.contains(QLatin1String("(*LIMIT")))
        return QCoreApplication::translate("Rules", "Limits of its own are not allowed in an expression.");
    QRegularExpression regex(kLimit + text);
    if (regex.isValid())
        return QString();
    return QCoreApplication::translate("Rules", "%1 (at character %2)")
        .arg(regex.errorString())
        .arg(qMax<qsizetype>(0, regex.patternErrorOffset() - kLimit.size()) + 1);
}

} // namespace

RuleSet::Subject::Subject(const QString &path, const QString &title)
    : path(path)
    , title(title)
{
    // Windows paths use either separator.
    const qsizetype slash = qMax(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    fileName = QStringView(path).mid(slash + 1);
    baseName = fileName;
    if (baseName.endsWith(QLatin1String(".exe"), Qt::CaseInsensitive))
        baseName.chop(4);
}

const QString &RuleSet::Subject::foldedPath()
{
    if (!made[0]) {
        folded[0] = path.toCaseFolded();
        made[0] = true;
    }
    return folded[0];
}

const QString &RuleSet::Subject::foldedTitle()
{
    if (!made[1]) {
        folded[1] = title.toCaseFolded();
        made[1] = true;
    }
    return folded[1];
}

RuleSet::RuleSet(const QList<Rule> &rules)
{
    for (const Rule &rule : rules) {
        if (!problem(rule).isEmpty())
            continue;
        Compiled compiled = compile(rule);
        switch (rule.action) {
        case Rule::Action::DontRecord:
            ignoring.append(compiled);
            break;
        case Rule::Action::HideTitle:
            hiding.append(compiled);
            break;
        case Rule::Action::Category: {
            const QString name = rule.category.trimmed();
            compiled.category = int(names.indexOf(name));
            if (compiled.category < 0) {
                compiled.category = int(names.size());
                names.append(name);
            }
            categorizing.append(compiled);
            break;
        }
        }
    }
}

QString RuleSet::problem(const Rule &rule)
{
    if (rule.program.isEmpty() && rule.title.isEmpty())
        return QCoreApplication::translate("Rules", "Give a program, a title or both.");
    if (rule.program.size() > kMaxPatternLength || rule.title.size() > kMaxPatternLength)
        return QCoreApplication::translate("Rules", "A pattern may be at most %1 characters long.")
            .arg(kMaxPatternLength);
    if (rule.action == Rule::Action::Category && rule.category.trimmed().isEmpty())
        return QCoreApplication::translate("Rules", "Give the category a name.");
    if (rule.syntax == Rule::Syntax::RegularExpression) {
        const QString program = rule.program.isEmpty() ? QString() : regexProblem(rule.program);
        if (!program.isEmpty())
            return QCoreApplication::translate("Rules", "Program: %1").arg(program);
        const QString title = rule.title.isEmpty() ? QString() : regexProblem(rule.title);
        if (!title.isEmpty())
            return QCoreApplication::translate("Rules", "Title: %1").arg(title);
    }
    return QString();
}

QString RuleSet::slowness(const Rule &rule)
{
    if (rule.syntax != Rule::Syntax::RegularExpression || !problem(rule).isEmpty())
        return QString();
    // Texts on which nested repetition backtracks without end.
    static const QStringList stress = [] {
        QStringList texts;
        for (const QString &unit : {QStringLiteral("a"), QStringLiteral(" "), QStringLiteral("ab"), QStringLiteral("1"),
                                    QStringLiteral("a "), QStringLiteral("A.")}) {
            QString text;
            while (text.size() + unit.size() < ForegroundWindowSource::MaxLength)
                text += unit;
            texts << text << text + QLatin1Char('!');
        }
        return texts;
    }();
    const Compiled compiled = compile(rule);
    for (const Pattern *pattern : {&compiled.program, &compiled.title}) {
        if (pattern->kind != Pattern::Kind::Regex)
            continue;
        for (const QString &text : stress)
            if (search(pattern->regex, text) == Match::GaveUp)
                return QCoreApplication::translate(
                    "Rules", "This expression takes too long on long titles (nested repetition such as (a+)+?).");
    }
    return QString();
}

RuleSet::Compiled RuleSet::compile(const Rule &rule)
{
    Compiled compiled;
    compiled.program = compilePattern(rule.program, rule.syntax, rule.caseSensitive);
    compiled.title = compilePattern(rule.title, rule.syntax, rule.caseSensitive);
    return compiled;
}

RuleSet::Match RuleSet::matches(const Compiled &rule, Subject &subject)
{
    const Match program = matchesProgram(rule, subject);
    if (program == Match::No)
        return Match::No;
    const Match title = matchesTitle(rule, subject);
    if (title == Match::No)
        return Match::No;
    return program == Match::GaveUp || title == Match::GaveUp ? Match::GaveUp : Match::Yes;
}

RuleSet::Match RuleSet::matchesProgram(const Compiled &rule, Subject &subject)
{
    Match program = Match::Yes;
    const Pattern &p = rule.program;
    if (p.kind == Pattern::Kind::Wildcard) {
        // A bare name is the program's file name, with or without ".exe";
        // anything else is matched against the whole path.
        const QString &path = p.caseSensitive ? subject.path : subject.foldedPath();
        const qsizetype nameAt = subject.fileName.data() - subject.path.constData();
        const QStringView name = QStringView(path).mid(nameAt, subject.fileName.size());
        const QStringView base = name.left(subject.baseName.size());
        program = wildcardMatch(p.wildcard, name) || wildcardMatch(p.wildcard, base) || wildcardMatch(p.wildcard, path)
                      ? Match::Yes
                      : Match::No;
    } else if (p.kind == Pattern::Kind::Regex) {
        // Searched for in the file name (where ^ and $ are its ends) and in
        // the whole path.
        program = search(p.regex, subject.fileName);
        if (program == Match::No)
            program = search(p.regex, subject.path);
    }
    return program;
}

RuleSet::Match RuleSet::matchesTitle(const Compiled &rule, Subject &subject)
{
    Match title = Match::Yes;
    const Pattern &t = rule.title;
    if (t.kind == Pattern::Kind::Wildcard)
        title = wildcardMatch(t.wildcard, t.caseSensitive ? subject.title : subject.foldedTitle()) ? Match::Yes
                                                                                                   : Match::No;
    else if (t.kind == Pattern::Kind::Regex)
        title = search(t.regex, subject.title);
    return title;
}

RuleSet::Keep RuleSet::keep(const QString &path, const QString &title) const
{
    if (ignoring.isEmpty() && hiding.isEmpty())
        return Keep::Everything;
    Subject subject(path, title);
    QElapsedTimer spent;
    spent.start();
    // A rule that gave up counts as matching: what cannot be ruled out is
    // kept out.
    for (const Compiled &rule : ignoring) {
        if (matches(rule, subject) != Match::No)
            return Keep::Nothing;
        if (spent.elapsed() > BudgetMs)
            return Keep::Undecided;
    }
    for (const Compiled &rule : hiding) {
        if (matches(rule, subject) != Match::No)
            return Keep::WithoutTitle;
        if (spent.elapsed() > BudgetMs)
            return Keep::Undecided;
    }
    return Keep::Everything;
}

int RuleSet::category(const QString &path, const QString &title) const
{
    if (categorizing.isEmpty())
        return -1;
    Subject subject(path, title);
    for (const Compiled &rule : categorizing) {
        if (matches(rule, subject) == Match::Yes)
            return rule.category;
    }
    return -1;
}

RuleSet::Categorizer::Categorizer(const RuleSet &rules)
    : rules(rules)
{
}

int RuleSet::Categorizer::category(const QString &path, const QString &title)
{
    if (rules.categorizing.isEmpty())
        return -1;
    Subject subject(path, title);
    auto found = candidates.constFind(path);
    if (found == candidates.cend()) {
        QList<int> possible;
        for (int i = 0; i < rules.categorizing.size(); ++i)
            if (matchesProgram(rules.categorizing[i], subject) == Match::Yes)
                possible.append(i);
        found = candidates.insert(path, possible);
    }
    for (const int i : *found)
        if (matchesTitle(rules.categorizing[i], subject) == Match::Yes)
            return rules.categorizing[i].category;
    return -1;
}
