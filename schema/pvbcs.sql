-- The library database: named schedules and calendars with their records.
-- Every id is the table's row id; every other number is an INTEGER column.
CREATE TABLE schedules (
    id   INTEGER PRIMARY KEY,
    name TEXT
);
CREATE TABLE schedule_rec (
    id          INTEGER PRIMARY KEY,
    schedule_id INTEGER,
    s_day       INTEGER,
    s_time_on   INTEGER,
    s_time_off  INTEGER
);
CREATE TABLE calendars (
    id   INTEGER PRIMARY KEY,
    name TEXT
);
CREATE TABLE calendar_rec (
    id          INTEGER PRIMARY KEY,
    calendar_id INTEGER,
    name        TEXT,
    c_date      INTEGER,
    day_type    INTEGER,
    c_len       INTEGER
);
-- Records are always read by their parent's id.
CREATE INDEX schedule_rec_parent ON schedule_rec (schedule_id);
CREATE INDEX calendar_rec_parent ON calendar_rec (calendar_id);
