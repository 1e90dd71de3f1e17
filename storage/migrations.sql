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

-- version 4
-- Totals kept ahead of time, so that a summary of years need not read every
-- row. They cover the program rows up to the ROWID in the setting
-- 'rollupWatermark' dated before the day in 'rollupUntil', under the
-- categories of the rules whose digest is 'rollupRules'; days in RollupStale
-- and rows in RollupOdd are read from the log itself. The triggers keep that
-- true whatever writes the log, older kestos included: a change to a row of a
-- covered day voids that day (and the next, whose answers a row crossing
-- midnight can reach), and a deleted row's day loses its totals at once.
-- Days are Julian day numbers; programs, categories and answers are ids of
-- RollupNames, which keeps each text once.
CREATE TABLE IF NOT EXISTS RollupNames (
    Id INTEGER PRIMARY KEY,
    Name TEXT NOT NULL UNIQUE
);
CREATE TABLE IF NOT EXISTS RollupPrograms (
    Day INTEGER NOT NULL,
    Program INTEGER NOT NULL,
    Category INTEGER NOT NULL,
    Seconds INTEGER NOT NULL,
    PRIMARY KEY (Day, Program, Category)
) WITHOUT ROWID;
-- Program time inside the time each answer stands for, on the answer's day;
-- Program 0 is the answer's own time.
CREATE TABLE IF NOT EXISTS RollupJoins (
    Day INTEGER NOT NULL,
    Answer INTEGER NOT NULL,
    Program INTEGER NOT NULL,
    Seconds INTEGER NOT NULL,
    PRIMARY KEY (Day, Answer, Program)
) WITHOUT ROWID;
-- Covered rows whose AppDate is not a plain 'YYYY-MM-DD HH:MM:SS' of its day.
CREATE TABLE IF NOT EXISTS RollupOdd (
    RowId INTEGER PRIMARY KEY
);
-- Days ('YYYY-MM-DD') read raw until built again.
CREATE TABLE IF NOT EXISTS RollupStale (
    Day TEXT PRIMARY KEY
);
-- The prompt interval in effect from Since on ('' for always before); the
-- interval of the log as it is now stands for all its past.
CREATE TABLE IF NOT EXISTS PromptIntervals (
    Since TEXT,
    Minutes INTEGER
);
INSERT INTO PromptIntervals (Since, Minutes) VALUES ('', COALESCE((SELECT CASE WHEN typeof(QueryMinutes) = 'integer'
    AND QueryMinutes >= 0 THEN QueryMinutes END FROM Options LIMIT 1), 30));
CREATE TRIGGER IF NOT EXISTS RollupProgramAdded AFTER INSERT ON ApplicationLog
WHEN NEW.AppDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(NEW.AppDate, 1, 10) AS d
        UNION SELECT date(substr(NEW.AppDate, 1, 10), '+1 day')) WHERE d IS NOT NULL;
    INSERT OR IGNORE INTO RollupOdd (RowId) SELECT NEW.ROWID WHERE NOT (date(NEW.AppDate, '+0 days') IS substr(NEW.AppDate, 1, 10)
        AND (NEW.AppDate GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [01][0-9]:[0-5][0-9]:[0-5][0-9]'
             OR NEW.AppDate GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] 2[0-3]:[0-5][0-9]:[0-5][0-9]'));
END;
CREATE TRIGGER IF NOT EXISTS RollupProgramChanged AFTER UPDATE ON ApplicationLog
WHEN OLD.AppDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
    OR NEW.AppDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(OLD.AppDate, 1, 10) AS d
        UNION SELECT date(substr(OLD.AppDate, 1, 10), '+1 day') UNION SELECT substr(NEW.AppDate, 1, 10)
        UNION SELECT date(substr(NEW.AppDate, 1, 10), '+1 day')) WHERE d IS NOT NULL;
    INSERT OR IGNORE INTO RollupOdd (RowId) SELECT NEW.ROWID WHERE NOT (date(NEW.AppDate, '+0 days') IS substr(NEW.AppDate, 1, 10)
        AND (NEW.AppDate GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] [01][0-9]:[0-5][0-9]:[0-5][0-9]'
             OR NEW.AppDate GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] 2[0-3]:[0-5][0-9]:[0-5][0-9]'));
END;
CREATE TRIGGER IF NOT EXISTS RollupProgramDeleted AFTER DELETE ON ApplicationLog
WHEN OLD.AppDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(OLD.AppDate, 1, 10) AS d
        UNION SELECT date(substr(OLD.AppDate, 1, 10), '+1 day')) WHERE d IS NOT NULL;
    DELETE FROM RollupPrograms WHERE Day = CAST(julianday(substr(OLD.AppDate, 1, 10)) + 0.5 AS INTEGER);
    DELETE FROM RollupJoins WHERE Day IN (CAST(julianday(substr(OLD.AppDate, 1, 10)) + 0.5 AS INTEGER),
                                          CAST(julianday(substr(OLD.AppDate, 1, 10)) + 1.5 AS INTEGER));
    DELETE FROM RollupOdd WHERE RowId = OLD.ROWID;
END;
CREATE TRIGGER IF NOT EXISTS RollupAnswerAdded AFTER INSERT ON ActivityLog
WHEN NEW.ActDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(NEW.ActDate, 1, 10) AS d
        UNION SELECT date(substr(NEW.ActDate, 1, 10), '+1 day')) WHERE d IS NOT NULL;
END;
CREATE TRIGGER IF NOT EXISTS RollupAnswerChanged AFTER UPDATE ON ActivityLog
WHEN OLD.ActDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
    OR NEW.ActDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(OLD.ActDate, 1, 10) AS d
        UNION SELECT date(substr(OLD.ActDate, 1, 10), '+1 day') UNION SELECT substr(NEW.ActDate, 1, 10)
        UNION SELECT date(substr(NEW.ActDate, 1, 10), '+1 day')) WHERE d IS NOT NULL;
    DELETE FROM RollupJoins WHERE Day = CAST(julianday(substr(OLD.ActDate, 1, 10)) + 0.5 AS INTEGER);
END;
CREATE TRIGGER IF NOT EXISTS RollupAnswerDeleted AFTER DELETE ON ActivityLog
WHEN OLD.ActDate < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(OLD.ActDate, 1, 10) AS d
        UNION SELECT date(substr(OLD.ActDate, 1, 10), '+1 day')) WHERE d IS NOT NULL;
    DELETE FROM RollupJoins WHERE Day = CAST(julianday(substr(OLD.ActDate, 1, 10)) + 0.5 AS INTEGER);
END;
CREATE TRIGGER IF NOT EXISTS RollupAbsenceAdded AFTER INSERT ON Absences
WHEN NEW.AwayStart < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(NEW.AwayStart, 1, 10) AS d
        UNION SELECT date(substr(NEW.AwayStart, 1, 10), '+1 day') UNION SELECT substr(NEW.AwayEnd, 1, 10))
        WHERE d IS NOT NULL;
END;
CREATE TRIGGER IF NOT EXISTS RollupAbsenceDeleted AFTER DELETE ON Absences
WHEN OLD.AwayStart < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT d FROM (SELECT substr(OLD.AwayStart, 1, 10) AS d
        UNION SELECT date(substr(OLD.AwayStart, 1, 10), '+1 day') UNION SELECT substr(OLD.AwayEnd, 1, 10))
        WHERE d IS NOT NULL;
END;
CREATE TRIGGER IF NOT EXISTS RollupIntervalAdded AFTER INSERT ON PromptIntervals
WHEN NEW.Since < (SELECT Value FROM Settings WHERE Name = 'rollupUntil')
BEGIN
    INSERT OR IGNORE INTO RollupStale (Day) SELECT DISTINCT date(Day - 0.5) FROM RollupJoins
        WHERE Day >= CAST(julianday(substr(NEW.Since, 1, 10)) + 0.5 AS INTEGER);
END;
