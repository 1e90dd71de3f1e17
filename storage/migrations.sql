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
