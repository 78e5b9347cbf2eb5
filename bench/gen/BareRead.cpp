#include "gen/BareRead.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <sqlite3.h>
#include <string>

namespace benchgen {

namespace {

const char* kGoods = "SELECT * FROM 商品マスタ WHERE 商品コード <> 'XXXXXXXXXX' ORDER BY 商品No";
const char* kClients = "SELECT * FROM 顧客マスタ WHERE 顧客コード <> 'XXXXXXXXXX' ORDER BY 顧客No";
const char* kEmployees = "SELECT * FROM 社員マスタ WHERE 社員コード <> 'XXXXXXXXXX' ORDER BY 社員No";
const char* kLack =
    "SELECT * FROM 商品マスタ WHERE 商品コード <> 'XXXXXXXXXX' AND 在庫量 <= 在庫発注点 ORDER BY 商品No";
const char* kOrders = "SELECT * FROM 受注データ WHERE 受注No <> 0 ORDER BY 受注No";
const char* kPaid = "SELECT * FROM 受注データ WHERE 受注No <> 0 AND 入金日 <> 0 ORDER BY 受注No";
const char* kUnpaid = "SELECT * FROM 受注データ WHERE 受注No <> 0 AND 入金日 = 0 ORDER BY 受注No";
const char* kCancelled = "SELECT * FROM 受注データ WHERE 受注No <> 0 AND キャンセル = 'X' ORDER BY 受注No";
const char* kLines = "SELECT * FROM 受注個別データ WHERE 受注No <> 0 ORDER BY 個別No";
const char* kLinesByOrder = "SELECT * FROM 受注個別データ WHERE 受注No <> 0 ORDER BY 受注No, 個別No";
const char* kCancelledLines = "SELECT * FROM 受注個別データ WHERE 受注No IN (SELECT 受注No FROM 受注データ "
                              "WHERE 受注No <> 0 AND キャンセル = 'X') ORDER BY 受注No, 個別No";
const char* kClientNames = "SELECT 顧客コード, 顧客名 FROM 顧客マスタ";
const char* kGoodsNames = "SELECT 商品コード, 商品名 FROM 商品マスタ";

// Report kinds in menu order: 商品, 顧客, 社員, 受注データ, 受注個別, 請求書, 受注情報, 商品別, 顧客別,
// 社員別, キャンセル, 在庫不足, 入金済み, 未入金.
const std::vector<const char*> kQueries[15] = {
    {},
    {kGoods},
    {kClients},
    {kEmployees},
    {kOrders},
    {kLines},
    {kOrders, kLinesByOrder, kClientNames, kGoodsNames},
    {kOrders, kLinesByOrder},
    {kOrders, kLinesByOrder},
    {kOrders},
    {kOrders},
    {kCancelled, kCancelledLines},
    {kLack},
    {kPaid},
    {kUnpaid},
};

void pad(std::string& out, std::size_t from, std::size_t width) {
    if (out.size() - from < width) out.append(width - (out.size() - from), ' ');
}

// 1234567 as "   1,234,567" in 12 columns.
void grouped(std::string& out, long long v) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, v < 0 ? -v : v);
    const int n = int(r.ptr - digits);
    char text[40];
    int t = 0;
    if (v < 0) text[t++] = '-';
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) text[t++] = ',';
        text[t++] = digits[i];
    }
    if (t < 12) out.append(std::size_t(12 - t), ' ');
    out.append(text, std::size_t(t));
}

// An OLE day count as yyyy/mm/dd (civil date from days, Howard Hinnant's algorithm).
void date(std::string& out, double ole) {
    long long z =
        (long long)std::floor(ole) - 25569 + 719468; // to days since 1970-01-01, shifted to 0000-03-01
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long d = doy - (153 * mp + 2) / 5 + 1;
    const long long m = mp < 10 ? mp + 3 : mp - 9;
    const long long y = yoe + era * 400 + (m <= 2);
    char text[16];
    std::snprintf(text, sizeof text, " %04lld/%02lld/%02lld", y, m, d);
    out += text;
}

} // namespace

const std::vector<const char*>& bareQueries(int kind) {
    return kQueries[kind >= 1 && kind <= 14 ? kind : 0];
}

std::size_t bareReadAndFormat(const QString& dbPath, int kind, bool format) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(dbPath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return 0;
    }
    std::string out;
    std::size_t seen = 0;
    for (const char* sql : bareQueries(kind)) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) continue;
        const int columns = sqlite3_column_count(st);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < columns; ++i) {
                switch (sqlite3_column_type(st, i)) {
                case SQLITE_INTEGER:
                    if (format)
                        grouped(out, sqlite3_column_int64(st, i));
                    else
                        seen += std::size_t(sqlite3_column_int64(st, i));
                    break;
                case SQLITE_FLOAT:
                    if (format)
                        date(out, sqlite3_column_double(st, i));
                    else
                        seen += std::size_t(sqlite3_column_double(st, i));
                    break;
                case SQLITE_TEXT: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
                    const auto bytes = std::size_t(sqlite3_column_bytes(st, i));
                    if (format) {
                        const std::size_t from = out.size();
                        out += ' ';
                        out.append(text, bytes);
                        pad(out, from, 12);
                    } else {
                        seen += bytes;
                    }
                    break;
                }
                default:
                    break;
                }
            }
            if (format) out += "\r\n";
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return format ? out.size() : seen;
}

} // namespace benchgen
