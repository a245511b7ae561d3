-- Documents database: the contents of the attached documents.
--
-- One row per stored file name. FileName is the name under which the main database's
-- AttachedDocument row and the copy in the shared AttachedDoc folder know the document
-- (a braced GUID followed by the file's own extension). Content holds the whole file.
-- Dates are TEXT 'YYYY-MM-DD'. CreateUser is the login name of the user who stored it.
-- Rows are never deleted. The description and dates follow the latest save of the attachment,
-- the contents and the creation columns are written once. Content comes last: a document is
-- written into the row piece by piece, which keeps a large one from being held in memory whole
-- only when its value ends the row.
CREATE TABLE Document (
    FileName   TEXT NOT NULL PRIMARY KEY,
    CreateDate TEXT,
    CreateUser TEXT,
    OpenDate   TEXT,
    DocDesc    TEXT,
    CloseDate  TEXT,
    Content    BLOB
);
