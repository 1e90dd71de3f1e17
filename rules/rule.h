#pragma once

#include <QList>
#include <QString>

// One of the user's rules about what kesto keeps: which windows it matches,
// by their program and title, and what becomes of them.
struct Rule
{
    enum class Action { DontRecord, HideTitle, Category };
    enum class Syntax { Wildcard, RegularExpression };

    // A program's file name ("firefox") or full path; empty: any program.
    QString program;
    // Empty: any title.
    QString title;
    Syntax syntax = Syntax::Wildcard;
    bool caseSensitive = false;
    Action action = Action::HideTitle;
    // The category's name, for Action::Category.
    QString category;

    bool isPrivacy() const { return action != Action::Category; }
    friend bool operator==(const Rule &a, const Rule &b)
    {
        return a.program == b.program && a.title == b.title && a.syntax == b.syntax
               && a.caseSensitive == b.caseSensitive && a.action == b.action && a.category == b.category;
    }
    friend bool operator!=(const Rule &a, const Rule &b) { return !(a == b); }
};
