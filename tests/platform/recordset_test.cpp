#include "db/Compact.h"
#include "db/Defensive.h"
#include "db/OleDate.h"
#include "db/Recordset.h"
#include "db/Transaction.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace db;

namespace {

TableDef itemsDef() {
    return {"品目",
            {{"No", FieldType::Long, 0, true},
             {"コード", FieldType::Text, 5, true},
             {"価格", FieldType::Currency, 0, true},
             {"率", FieldType::Single, 0, false},
             {"日付", FieldType::Date, 0, false}},
            {{"主キー", "No", true, true, true}, {"コード", "コード", false, true, true}}};
}

class RecordsetTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.path("r.vrd");
        Database::create(path)->close();
        database = std::make_unique<Database>(path);
        database->createTable(itemsDef());
        for (int i = 1; i <= 5; ++i)
            add(i, QStringLiteral("C%1").arg(i));
    }
    void add(int no, const QString& code) {
        database->execute("INSERT INTO 品目 VALUES (?,?,?,?,?)",
                          {no, code, QVariant::fromValue(Currency::fromUnits(no * 100)), 0.1, QDate(2024, 1, no)});
    }
    testenv::TempFolder dir;
    QString path;
    std::unique_ptr<Database> database;
};

} // namespace

TEST_F(RecordsetTest, NavigatesForwardAndBack) {
    Recordset rs(*database, "品目", {}, {}, {"コード"});
    EXPECT_EQ(rs.recordCount(), 5);
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.getLong("No"), 1);
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    rs.moveLast();
    EXPECT_EQ(rs.getText("コード"), "C5");
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.value("No"), DbError);
    rs.moveFirst();
    EXPECT_EQ(rs.getCurrency("価格"), Currency::fromUnits(100));
    EXPECT_FLOAT_EQ(rs.value("率").toFloat(), 0.1f);
    EXPECT_EQ(dateFromOle(rs.getDouble("日付")), QDate(2024, 1, 1));
}

TEST_F(RecordsetTest, FilteredAndEmpty) {
    Recordset some(*database, "品目", "No >= ?", {4});
    EXPECT_EQ(some.recordCount(), 2);
    Recordset none(*database, "品目", "No > ?", {99});
    EXPECT_EQ(none.recordCount(), 0);
    EXPECT_TRUE(none.bof());
    EXPECT_TRUE(none.eof());
    EXPECT_THROW(Recordset(*database, "品目", {}, {}, {"nope"}), DbError);
    EXPECT_THROW(Recordset(*database, "無い表"), DbError);
}

TEST_F(RecordsetTest, FindsExactlyAndKeepsRowOnNoMatch) {
    add(6, "C%");
    add(7, "C_'");
    Recordset rs(*database, "品目");
    EXPECT_TRUE(rs.findFirst("コード", "C_'"));
    EXPECT_EQ(rs.getLong("No"), 7);
    EXPECT_TRUE(rs.findFirst("コード", "C%"));
    EXPECT_EQ(rs.getLong("No"), 6);
    EXPECT_FALSE(rs.findNext("コード", "C%"));
    EXPECT_TRUE(rs.noMatch());
    EXPECT_EQ(rs.getLong("No"), 6);
    rs.moveFirst();
    EXPECT_TRUE(rs.findNext("No", 3));
    EXPECT_TRUE(rs.findLast("No", 1));
    EXPECT_FALSE(rs.findPrevious("No", 5));
}

TEST_F(RecordsetTest, AddEditDelete) {
    Recordset rs(*database, "品目");
    rs.addNew();
    rs.setValue("No", 10);
    rs.setValue("コード", "N10");
    rs.setValue("価格", QVariant::fromValue(Currency::fromRaw(12345)));
    rs.setValue("率", 8.1);
    rs.update();
    EXPECT_EQ(rs.recordCount(), 6);
    EXPECT_EQ(database->scalar("SELECT 価格 FROM 品目 WHERE No = 10").toLongLong(), 12345);
    EXPECT_DOUBLE_EQ(database->scalar("SELECT 率 FROM 品目 WHERE No = 10").toDouble(), double(8.1f));

    rs.moveFirst();
    rs.edit();
    rs.setValue("コード", "E1");
    rs.update();
    EXPECT_EQ(database->scalar("SELECT コード FROM 品目 WHERE No = 1").toString(), "E1");

    rs.deleteCurrent();
    EXPECT_EQ(rs.recordCount(), 5);
    EXPECT_EQ(rs.getLong("No"), 2); // the next row moved up
    EXPECT_EQ(database->scalar("SELECT count(*) FROM 品目 WHERE No = 1").toInt(), 0);
}

TEST_F(RecordsetTest, RefusedUpdateKeepsBufferAndStoredRow) {
    Recordset rs(*database, "品目");
    struct Case {
        QString field;
        QVariant value;
        ErrorKind kind;
    } cases[] = {
        {"コード", "C2", ErrorKind::DuplicateKey},
        {"コード", "", ErrorKind::ZeroLength},
        {"コード", "TOOLONG", ErrorKind::TooLong},
        {"コード", QVariant(), ErrorKind::Required},
        {"No", qint64(1) << 40, ErrorKind::OutOfRange},
        {"コード", QString(kMaxValueBytes + 1, QLatin1Char('x')), ErrorKind::TooLong}, // not the file's TooBig
    };
    for (const auto& c : cases) {
        rs.moveFirst();
        rs.edit();
        rs.setValue(c.field, c.value);
        try {
            rs.update();
            ADD_FAILURE() << "accepted " << c.value.toString().toStdString();
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.value.toString().toStdString();
            EXPECT_EQ(faultOf(e.kind()), Fault::Value);
        }
        EXPECT_TRUE(rs.editing());
        rs.cancelUpdate();
        EXPECT_EQ(rs.getText("コード"), "C1");
        EXPECT_EQ(rs.getLong("No"), 1);
    }
}

// An edit is checked on its own fields and on the row's unique keys: another field changed meanwhile is
// kept, while a row deleted and its row id taken again by a new row is not written over.
TEST_F(RecordsetTest, EditIsCheckedOnItsFieldsAndTheRowsKeys) {
    Database other(path);
    struct Case {
        const char* meanwhile; // run by the other connection between edit() and update()
        bool written;
    } cases[] = {
        {"UPDATE 品目 SET 日付 = 1, 率 = 2 WHERE No = 5", true},
        {"UPDATE 品目 SET 価格 = 1 WHERE No = 5", false},
        {"DELETE FROM 品目 WHERE No = 5; INSERT INTO 品目 VALUES (6, 'C6', 5000000, 0, 0)", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.meanwhile);
        database->execute("DELETE FROM 品目 WHERE No >= 5");
        add(5, "C5");
        Recordset rs(*database, "品目");
        rs.moveLast();
        rs.edit();
        for (const QString& sql : QString::fromUtf8(c.meanwhile).split("; "))
            other.execute(sql);
        rs.setValue("価格", QVariant::fromValue(Currency::fromUnits(7)));
        if (c.written) {
            rs.update();
        } else {
            EXPECT_THROW(rs.update(), DbError);
        }
        EXPECT_EQ(database
                      ->scalar("SELECT count(*) FROM 品目 WHERE 価格 = ?",
                               {QVariant::fromValue(Currency::fromUnits(7))})
                      .toInt(),
                  c.written ? 1 : 0);
    }
}

TEST_F(RecordsetTest, SecondConnectionSeesCommittedRowsOnly) {
    Database other(path);
    {
        Transaction tx(*database);
        add(20, "T20");
        EXPECT_EQ(other.scalar("SELECT count(*) FROM 品目").toInt(), 5);
        tx.commit();
    }
    EXPECT_EQ(other.scalar("SELECT count(*) FROM 品目").toInt(), 6);
    Recordset rs(other, "品目");
    add(21, "T21");
    rs.requery();
    EXPECT_EQ(rs.recordCount(), 7);
}

TEST_F(RecordsetTest, OpeningWhatIsNotADatabase) {
    QFile junk(dir.path("junk.vrd"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'j'));
    junk.close();
    struct Case {
        QString path;
        ErrorKind kind;
    } cases[] = {{dir.path("junk.vrd"), ErrorKind::NotADatabase}, {dir.path("missing.vrd"), ErrorKind::Io}};
    for (const auto& c : cases) {
        try {
            Database d(c.path);
            ADD_FAILURE() << "opened " << c.path.toStdString();
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.path.toStdString();
        }
    }
    EXPECT_THROW(Database::create(path), DbError); // exists
}

TEST_F(RecordsetTest, YearAndMonthFunctions) {
    EXPECT_EQ(database->scalar("SELECT count(*) FROM 品目 WHERE Year(日付) = ? AND Month(日付) = ?", {2024, 1}).toInt(), 5);
    EXPECT_TRUE(database->scalar("SELECT Year(NULL)").isNull());
}

TEST_F(RecordsetTest, CompactKeepsDataAndLeavesNoTemporaryFile) {
    database->execute("DELETE FROM 品目 WHERE No > ?", {2});
    database->close();
    compactDatabase(path);
    Database d(path);
    EXPECT_EQ(d.scalar("SELECT count(*) FROM 品目").toInt(), 2);
    d.close();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"r.vrd"});
}

TEST_F(RecordsetTest, CompactRefusesAFileInUse) {
    Recordset rs(*database, "品目"); // this window still holds the file
    try {
        compactDatabase(path);
        ADD_FAILURE() << "compacted a file in use";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Busy);
    }
    EXPECT_EQ(database->scalar("SELECT count(*) FROM 品目").toInt(), 5);
    QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_FALSE(left.join(",").contains(".r.vrd.")) << left.join(",").toStdString();
}

TEST(Currency, ExactArithmeticAndRounding) {
    EXPECT_EQ(Currency::fromRaw(1) + Currency::fromRaw(2), Currency::fromRaw(3));
    EXPECT_EQ(Currency::fromUnits(3) * 7, Currency::fromUnits(21));
    struct Case {
        double in;
        qint64 raw;
    } cases[] = {{0.00005, 0}, {0.00015, 1}, {0.00025, 2}, {-0.00025, -2}, {1.23456, 12346}, {900000000000000.0, 9000000000000000000}};
    for (const auto& c : cases)
        EXPECT_EQ(Currency::fromDouble(c.in).raw(), c.raw) << c.in;
    EXPECT_THROW(Currency::fromDouble(1e300), std::overflow_error);
    struct Units {
        qint64 raw;
        qint64 units;
    } units[] = {{5000, 1}, {4999, 0}, {-5000, -1}, {-4999, 0}, {25000, 3}};
    for (const auto& u : units)
        EXPECT_EQ(Currency::fromRaw(u.raw).roundedUnits(), u.units) << u.raw;
    EXPECT_EQ(Currency::fromRaw(-123400).toString(), "-12.3400");
}

TEST(OleDate, RoundTrips) {
    EXPECT_EQ(toOleDate(QDate(1899, 12, 30)), 0.0);
    EXPECT_EQ(toOleDate(QDate(2024, 4, 1)), 45383.0);
    EXPECT_EQ(dateFromOle(45383.75), QDate(2024, 4, 1));
    const QDateTime dt(QDate(2024, 4, 1), QTime(18, 0));
    EXPECT_DOUBLE_EQ(toOleDate(dt), 45383.75);
    EXPECT_EQ(dateTimeFromOle(45383.75), dt);
    EXPECT_EQ(toSingle(0.1), double(0.1f));
}

TEST_F(RecordsetTest, ClosingDoesNotWaitForAnotherReader) {
    add(30, "T30");
    Database reader(path);
    Query open = reader.query("SELECT No FROM 品目");
    ASSERT_TRUE(open.next()); // a read statement stays open in the other connection
    QElapsedTimer t;
    t.start();
    database->close();
    EXPECT_LT(t.elapsed(), 2500); // half the busy timeout, a thousand times a close's own
}

// A read of ours left open across a yield holds the file until it goes on: a write of another window
// waiting for it would wait in vain, so it is refused at once, and writes nothing.
TEST_F(RecordsetTest, WriteBesideAnOpenReadOfOursIsRefusedAtOnce) {
    Database reader(path);
    Query open = reader.query("SELECT No FROM 品目");
    ASSERT_TRUE(open.next());
    QElapsedTimer t;
    t.start();
    try {
        add(31, "T31");
        ADD_FAILURE() << "the write went through";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), ErrorKind::Busy);
    }
    EXPECT_LT(t.elapsed(), 2500); // not after the busy timeout
    while (open.next()) {
    }
    add(31, "T31"); // the read has ended: the write goes through
    EXPECT_EQ(reader.scalar("SELECT count(*) FROM 品目 WHERE No = 31").toInt(), 1);
}

// A commit that another program's reader keeps waiting past the busy time is refused; the write is undone
// whole, the file is free again, and the next try of the same write goes through: nothing is left that keeps
// refusing, nor a lock that shuts others out.
TEST_F(RecordsetTest, ACommitRefusedForBusyLeavesNothingOpen) {
    const std::vector<std::pair<const char*, std::function<void(int)>>> writes = {
        {"a lone write", [&](int no) { add(no, QStringLiteral("L%1").arg(no)); }},
        {"a transaction",
         [&](int no) {
             Transaction tx(*database);
             add(no, QStringLiteral("T%1").arg(no));
             tx.commit();
         }},
    };
    int no = 40;
    for (const auto& [name, write] : writes) {
        SCOPED_TRACE(name);
        sqlite3* reader = nullptr;
        ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &reader), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(reader, "BEGIN; SELECT count(*) FROM 品目;", nullptr, nullptr, nullptr), SQLITE_OK);
        try {
            write(++no);
            ADD_FAILURE() << "the commit went through beside a reader";
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), ErrorKind::Busy);
        }
        EXPECT_FALSE(database->inTransaction());
        sqlite3_exec(reader, "COMMIT", nullptr, nullptr, nullptr);
        // No lock of ours is left: another connection writes at once.
        sqlite3_busy_timeout(reader, 0);
        EXPECT_EQ(sqlite3_exec(reader, "BEGIN IMMEDIATE; COMMIT;", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(reader);
        EXPECT_EQ(database->scalar("SELECT count(*) FROM 品目 WHERE No = ?", {no}).toInt(), 0);
        write(no);
        EXPECT_EQ(database->scalar("SELECT count(*) FROM 品目 WHERE No = ?", {no}).toInt(), 1);
    }
}

// A copy of another file put over ours in place while a list reads it (here its pages from the second on are
// empty ones): said as a change by another program, not as a broken file.
TEST_F(RecordsetTest, AReadUnderACopyPutInPlaceIsNotCalledBroken) {
    for (int i = 100; i < 300; ++i)
        add(i, QStringLiteral("K%1").arg(i));
    Database list(path); // nothing cached yet
    Query q = list.query("SELECT * FROM 品目");
    ASSERT_TRUE(q.next());
    QFile over(path);
    ASSERT_TRUE(over.open(QIODevice::ReadWrite) && over.seek(4096));
    over.write(QByteArray(over.size() - 4096, '\0'));
    over.close();
    ErrorKind kind = ErrorKind::Other;
    try {
        while (q.next()) {
        }
    } catch (const DbError& e) {
        kind = e.kind();
    }
    EXPECT_EQ(kind, ErrorKind::Replaced);
}
