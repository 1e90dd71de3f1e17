-- The tables every copy of kesto.db starts with. template.db is built from this
-- file, and a database that lacks all three tables gets them from here too.
CREATE TABLE ApplicationLog (
    AppFileName TEXT,
    AppTitle TEXT,
    AppDate TEXT,
    -- a new row stands for its first 5-second sample
    Duration INTEGER NOT NULL DEFAULT 5
);
CREATE TABLE ActivityLog (
    ActText TEXT,
    ActDate TEXT
);
CREATE TABLE Options (
    QueryMinutes INTEGER
);
INSERT INTO Options (QueryMinutes) VALUES (30);
-- reports select by date range over years of rows
CREATE INDEX ActivityLogByDate ON ActivityLog (ActDate);
CREATE INDEX ApplicationLogByDate ON ApplicationLog (AppDate);
