// Importing a goods file (CP932, tab-separated, CR LF) versus a bare prepared SQLite INSERT of the same
// rows in one transaction. Prints both times and their ratio for 1,000, 10,000 and 100,000 lines.
#include "gen/BenchApp.h"
#include "core/Schema.h"
#include "db/Currency.h"
#include "gen/DataGen.h"
#include "masters/MasterImport.h"
#include "ui/MessageService.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <SQLiteCpp/SQLiteCpp.h>
#include <algorithm>
#include <cstdio>

namespace {

const QStringList kCategories{QStringLiteral("文具"), QStringLiteral("事務用品"), QStringLiteral("紙製品")};

QString freshDatabase(core::AppState& s, const QTemporaryDir& dir, const QString& name) {
    core::InitFieldLimits(s);
    s.gDbPath = dir.filePath(name);
    core::CreateNewDatabase(s);
    core::CreateGoodsTable(s);
    s.categories.setCommittedFromFile(kCategories);
    return s.gDbPath;
}

// The rows the generator writes, already parsed: the work a bare insert still has to do.
double bare(const QString& path, int n) {
    struct Row {
        int no;
        std::string code, name, category;
        int64_t price, stock;
    };
    std::vector<Row> rows;
    rows.reserve(size_t(n));
    for (int no = 1; no <= n; ++no)
        rows.push_back({no, benchgen::goodsCode(no).toStdString(), QStringLiteral("ボールペン%1").arg(no).toStdString(),
                        kCategories[no % kCategories.size()].toStdString(), 100 + (no * 37) % 9900, 50 + no % 200});
    SQLite::Database d(path.toStdString(), SQLite::OPEN_READWRITE);
    d.exec("PRAGMA journal_mode = WAL");
    QElapsedTimer t;
    t.start();
    SQLite::Transaction tx(d);
    SQLite::Statement st(d, "INSERT INTO 商品マスタ VALUES (?,?,?,?,?,?,?,?,?,?)");
    for (const Row& r : rows) {
        st.bind(1, r.no);
        st.bind(2, r.code);
        st.bind(3, r.name);
        st.bind(4, r.price * 10000);
        st.bind(5, r.price * 8000);
        st.bind(6, r.price * 6000);
        st.bind(7, 10.0);
        st.bind(8, r.stock);
        st.bind(9, 20);
        st.bind(10, r.category);
        st.exec();
        st.reset();
    }
    tx.commit();
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    benchgen::BenchApp bench(argc, argv);
    ui::RecordingMessageService& rec = bench.messages();
    std::printf("%10s %12s %12s %8s %14s\n", "lines", "bare s", "import s", "ratio", "import us/line");
    for (int n : {1000, 10000, 100000}) {
        // Best of three rounds of each, on fresh databases: the machine is shared.
        double base = 1e9, took = 1e9;
        for (int round = 0; round < 3; ++round) {
            QTemporaryDir dir;
            const QString file = dir.filePath(QStringLiteral("goods.txt"));
            benchgen::writeGoodsImport(file, n, kCategories);
            core::AppState a, b;
            base = std::min(base, bare(freshDatabase(a, dir, QStringLiteral("bare.vrd")), n));
            freshDatabase(b, dir, QStringLiteral("import.vrd"));
            QElapsedTimer t;
            t.start();
            const masters::ImportResult r = masters::importMasterFile(b, masters::ImportKind::Goods, file);
            took = std::min(took, double(t.nsecsElapsed()) / 1e9);
            if (r.added != n || r.fileError || !rec.shown().empty()) {
                std::printf("import of %d lines added %d, %zu messages\n", n, r.added, rec.shown().size());
                return 1;
            }
        }
        std::printf("%10d %12.4f %12.4f %8.2f %14.2f\n", n, base, took, took / base, took * 1e6 / n);
    }
    return 0;
}
