// The schema comparison's reading of SQL texts, and what every connection refuses whatever the file holds.
#include "db/Database.h"
#include "db/Defensive.h"
#include "db/SchemaCheck.h"
#include "support/TestEnv.h"

#include <SQLiteCpp/SQLiteCpp.h>
#include <gtest/gtest.h>

using namespace db;

// Texts the engine reads alike compare equal; any other difference, however small, does not.
TEST(SchemaCheck, TextsCompareAsTheEngineReadsThem) {
    const struct {
        const char *a, *b;
        bool same;
    } cases[] = {
        {"CREATE TABLE t (a LONG, b TEXT(5))", "create\ttable t(\n  a long,b  text( 5 ) ) ", true},
        {"CREATE TABLE t (a) -- note\n", "CREATE TABLE t /* note */ (a)", true},
        {"CHECK (a <> '')", "CHECK (a <> ' ')", false},
        {"CHECK (a <> '')", "CHECK (a < > '')", false},
        {"\"a\"", "a", false},
        {"\"Ab\"", "\"AB\"", false},
        {"ａ", "Ａ", false}, // the engine folds ASCII letters only
        {"1e+5", "1e + 5", false},
        {"a - -1", "a --1", false},
        {"'it''s'", "'it' 's'", false},
        {"length(a) <= 10", "length(a) <= 100", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sqlTokens(QString::fromUtf8(c.a)) == sqlTokens(QString::fromUtf8(c.b)), c.same)
            << c.a << " / " << c.b;
}

// No connection writes the schema by hand or takes a value beyond the largest the schema holds.
TEST(SchemaCheck, ConnectionsAreDefensive) {
    testenv::TempFolder dir;
    const QString path = dir.path("d.vrd");
    Database::create(path)->close();
    Database d(path);
    d.execute(QStringLiteral("CREATE TABLE t (a TEXT)"));
    const struct {
        const char* sql;
        ErrorKind kind;
    } refused[] = {
        {"PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = 'CREATE TABLE t (b)'",
         ErrorKind::Other},
        {"INSERT INTO t VALUES (zeroblob(16385))", ErrorKind::TooBig},
        {"SELECT length(replace(hex(zeroblob(9000)), '0', 'x'))", ErrorKind::TooBig},
    };
    for (const auto& r : refused) {
        try {
            d.handle().exec(r.sql);
            ADD_FAILURE() << r.sql;
        } catch (const SQLite::Exception& e) {
            try {
                throwSqlite(e.getExtendedErrorCode(), e.what());
            } catch (const DbError& k) {
                EXPECT_TRUE(r.kind != ErrorKind::TooBig || k.kind() == ErrorKind::TooBig) << r.sql;
            }
        }
    }
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT sql FROM sqlite_master")).toString(),
              QStringLiteral("CREATE TABLE t (a TEXT)"));
    EXPECT_EQ(d.scalar(QStringLiteral("SELECT length(zeroblob(?))"), {kMaxValueBytes}).toInt(),
              kMaxValueBytes);
}

// The schema the definitions make is kept between checks: one made for other field sizes never answers.
TEST(SchemaCheck, EachCheckUsesItsOwnDefinitions) {
    testenv::TempFolder dir;
    const auto defs = [](int size) {
        return std::vector<TableDef>{
            {"t", {{"a", FieldType::Long}, {"b", FieldType::Text, size}}, {{"pk", "a", true}}}};
    };
    const QString path = dir.path("d.vrd");
    Database::create(path)->close();
    Database d(path);
    d.createTable(defs(5)[0]);
    for (int size : {5, 6, 5, 6, 6, 5})
        EXPECT_EQ(bool(schemaDifference(d.handle().getHandle(), *ExpectedSchema::of(defs(size)))), size != 5)
            << size;
}
