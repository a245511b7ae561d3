#include "apperror.h"
#include "recorders.h"
#include "testdb.h"
#include "valuestream.h"

#include <QTest>

using namespace Qt::StringLiterals;

// Long values written piece by piece into one row and read back piece by piece, on the run's
// engine: whole, or, after a failure part-way and a rollback, not at all.
class tst_ValueStream : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void valueReadsBackInPieces_data();
    void valueReadsBackInPieces();
    void failurePartWayLeavesTheRowAsItWas_data();
    void failurePartWayLeavesTheRowAsItWas();
};

namespace {

constexpr qint64 Piece = Db::ValuePieceSize;

QByteArray bytes(qint64 size, int seed = 0)
{
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        b[i] = char((i * 31 + i / 4096 + seed) & 0xff);
    return b;
}

// A documents database with the row "a" holding `before` (NULL when null), the writer's
// connection to it and a second user's.
struct Store
{
    explicit Store(const QByteArray& before)
    {
        const QString name = TestDb::documents(seams.folder());
        db = Db::open(name);
        other = Db::open(name, u"other"_s);
        Db::exec(db, u"INSERT INTO Document (FileName, Content) VALUES (?, ?)"_s,
                 {u"a"_s, before.isNull() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(before)});
    }
    // The value of the row as the second user reads it, and the sizes of its pieces; null when
    // there is none.
    QByteArray read(const QString& key, QList<qint64>* pieces = nullptr) const
    {
        QByteArray value;
        const bool stored = Db::readValue(other, u"Document"_s, u"Content"_s, {u"FileName"_s, key},
                                          [&](const char* data, qint64 n) {
                                              value.append(data, n);
                                              if (pieces)
                                                  pieces->append(n);
                                          });
        return stored ? (value.isNull() ? QByteArray("") : value) : QByteArray();
    }

    TestSeams seams;
    QSqlDatabase db;
    QSqlDatabase other;
};

} // namespace

void tst_ValueStream::valueReadsBackInPieces_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("writtenIn"); // the size of the writer's pieces
    QTest::newRow("empty") << 0LL << Piece;
    QTest::newRow("under one piece, written in small ones") << 1000LL << 300LL;
    QTest::newRow("exactly one piece") << Piece << Piece;
    QTest::newRow("several pieces and a tail") << 2 * Piece + 12345 << Piece;
}

void tst_ValueStream::valueReadsBackInPieces()
{
    QFETCH(qint64, size);
    QFETCH(qint64, writtenIn);
    Store store("old");
    const QByteArray value = bytes(size, 7);
    {
        Db::Transaction tx(store.db);
        Db::ValueWriter w =
            Db::ValueWriter::open(tx, u"Document"_s, u"Content"_s, {u"FileName"_s, u"a"_s}, size);
        for (qint64 done = 0; done < size; done += writtenIn)
            w.write(value.constData() + done, qMin(writtenIn, size - done));
        w.finish();
        tx.commit();
    }
    QList<qint64> pieces;
    const QByteArray read = store.read(u"a"_s, &pieces);
    QCOMPARE(read.size(), size);
    QVERIFY(read == value);
    // Whole pieces as long as there are, then the tail: never more than one piece in memory.
    QCOMPARE(pieces.size(), (size + Piece - 1) / Piece);
    for (qsizetype i = 0; i < pieces.size(); ++i)
        QCOMPARE(pieces.at(i), i + 1 < pieces.size() ? Piece : size - i * Piece);
    QVERIFY(store.read(u"missing"_s).isNull());
}

void tst_ValueStream::failurePartWayLeavesTheRowAsItWas_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<qint64>("declared");
    QTest::addColumn<QList<qint64>>("pieces");
    QTest::addColumn<QString>("message");
    QTest::newRow("a piece past the declared size")
        << u"Content"_s << u"a"_s << bytes(5000) << 10LL << QList<qint64>{4, 4, 4}
        << u"longer than the 10 bytes"_s;
    QTest::newRow("past the size into no value") << u"Content"_s << u"a"_s << QByteArray() << 10LL
                                                 << QList<qint64>{4, 4, 4} << u"longer than the 10 bytes"_s;
    QTest::newRow("finished short of it") << u"Content"_s << u"a"_s << bytes(5000) << 10LL
                                          << QList<qint64>{4, 4} << u"ended after 8 of the 10 bytes"_s;
    QTest::newRow("a row not stored") << u"Content"_s << u"missing"_s << bytes(5000) << 8LL
                                      << QList<qint64>{4, 4} << u"The row was not found"_s;
    QTest::newRow("a name that is no name") << u"Content = NULL, DocDesc"_s << u"a"_s << bytes(5000) << 8LL
                                            << QList<qint64>{4, 4} << u"is not a name of a table or column"_s;
}

void tst_ValueStream::failurePartWayLeavesTheRowAsItWas()
{
    QFETCH(QString, column);
    QFETCH(QString, key);
    QFETCH(QByteArray, before);
    QFETCH(qint64, declared);
    QFETCH(QList<qint64>, pieces);
    QFETCH(QString, message);
    Store store(before);
    QString error;
    try {
        Db::Transaction tx(store.db);
        Db::ValueWriter w = Db::ValueWriter::open(tx, u"Document"_s, column, {u"FileName"_s, key}, declared);
        for (const qint64 n : pieces)
            w.write(bytes(n, 3));
        w.finish();
        tx.commit();
    } catch (const AppError& e) {
        error = e.description();
    }
    QVERIFY2(error.contains(message), qPrintable(error));
    const QByteArray after = store.read(u"a"_s);
    QCOMPARE(after.isNull(), before.isNull());
    QCOMPARE(after, before);
    QCOMPARE(Db::scalar(store.other, u"SELECT count(*) FROM Document"_s).toLongLong(), 1);
}

QTEST_GUILESS_MAIN(tst_ValueStream)
#include "tst_valuestream.moc"
