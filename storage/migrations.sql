-- Changes to the log after its first schema, oldest first. Each starts with a
-- line "-- version N" and brings a log from version N-1 to N; all that a log
-- lacks run in one transaction, which also sets PRAGMA user_version. They only
-- add: an older kesto still reads and writes every table it knows.

-- version 1
-- Settings that live in the log, one row each; a missing row is the default.
CREATE TABLE IF NOT EXISTS Settings (
    Name TEXT PRIMARY KEY,
    Value
);

-- version 2
-- Times nobody was at the computer: from the last input before to the first
-- after, in the same local time text as the other dates.
CREATE TABLE IF NOT EXISTS Absences (
    AwayStart TEXT,
    AwayEnd TEXT
);
CREATE INDEX IF NOT EXISTS AbsencesByStart ON Absences (AwayStart);

-- version 3
-- The user's rules about what is kept, applied in Position order. Syntax is
-- 'wildcard' or 'regex'; Action 'dont-record', 'hide-title' or 'category'
-- (with the category's name in Category).
CREATE TABLE IF NOT EXISTS Rules (
    Position INTEGER NOT NULL,
    Program TEXT NOT NULL DEFAULT '',
    Title TEXT NOT NULL DEFAULT '',
    Syntax TEXT NOT NULL DEFAULT 'wildcard',
    CaseSensitive INTEGER NOT NULL DEFAULT 0,
    Action TEXT NOT NULL,
    Category TEXT NOT NULL DEFAULT ''
);
-- Private browsing windows keep their titles to themselves: Firefox, Chromium
-- and Chrome, Edge.
INSERT INTO Rules (Position, Title, Action) VALUES (1, '*Private Browsing*', 'hide-title');
INSERT INTO Rules (Position, Title, Action) VALUES (2, '*Incognito*', 'hide-title');
INSERT INTO Rules (Position, Title, Action) VALUES (3, '*InPrivate*', 'hide-title');
