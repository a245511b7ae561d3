#pragma once

// The database layer's own: what each engine does to stream long values. Nothing outside
// src/database/ includes this file.
#include "valuestream.h"

namespace Db {

// One column of one row, as the streaming statements name it.
struct ValuePlace
{
    QString table;
    QString column;
    RowKey key;
};

// Writes the pieces of one value the engine's way; the size was checked by ValueWriter.
class ValueWriter::Pieces
{
public:
    virtual ~Pieces() = default;
    virtual void write(const char* data, qint64 size) = 0;
    virtual void finish() = 0;
};

// The streaming of one engine.
struct ValueStreamEngine
{
    std::unique_ptr<ValueWriter::Pieces> (*openWriter)(const QSqlDatabase& db, const ValuePlace& place,
                                                       qint64 size);
    bool (*read)(const QSqlDatabase& db, const ValuePlace& place, const PieceTaker& take);
    qint64 (*largestValue)(const QSqlDatabase& db);
    void (*limitLargestValue)(const QSqlDatabase& db, qint64 bytes);
    bool (*movedSinceOpened)(const QSqlDatabase& db);
};

extern const ValueStreamEngine sqliteValueStream;
extern const ValueStreamEngine serverValueStream;

// The streaming of the connection's engine.
const ValueStreamEngine& valueStreamEngine(const QSqlDatabase& db);

} // namespace Db
