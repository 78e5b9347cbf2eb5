#include "masters/TabFields.h"

#include <gtest/gtest.h>

using masters::GetTabField;

namespace {

struct Case {
    const char* line;
    int n;
    const char* expected;
};

QString u(const char* s) { return QString::fromUtf8(s); }

} // namespace

TEST(GetTabField, FieldsOfLines) {
    const Case cases[] = {
        {"", 1, ""},
        {"", 3, ""},
        {"a\tb", 1, "a"},
        {"a\tb", 2, "b"},
        {"a\tb", 3, ""},             // the line ends before that tab
        {"a\t\tc", 2, "\t"},         // an empty middle field is its tab
        {"a\t\tc", 3, "c"},
        {"a\t", 2, ""},              // the line ends right after the tab
        {"\tx", 1, "\t"},            // empty first field
        {"  ", 1, "\n"},             // a line of blanks
        {"　 　", 1, "\n"},          // full-width blanks too
        {"  \tb", 1, "  "},          // blanks followed by a tab are not marked
        {" a ", 1, " a "},
        {"a\rb\tc", 2, ""},          // CR before the tab ends the search
        {"a\nb\tc", 2, ""},
        {"a\r", 1, "a"},
        {"\rabc", 1, "\r"},
        {" \r", 1, " "},             // the CR counts as a non-blank
        {"a\tb\r\n", 2, "b"},
        {"a\t\r\n", 2, "\r"},
        {"1\tG01\t商品\t100", 3, "商品"},
        {"1\tG01\t商品\t100", 4, "100"},
        {"x", 0, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetTabField(c.n, u(c.line)), u(c.expected)) << "line " << c.line << " field " << c.n;
}

TEST(HasNoQuote, ApostropheOnly) {
    EXPECT_TRUE(masters::HasNoQuote(QString()));
    EXPECT_TRUE(masters::HasNoQuote(QStringLiteral("O\"Neil")));
    EXPECT_FALSE(masters::HasNoQuote(QStringLiteral("O'Neil & Co.")));
}
