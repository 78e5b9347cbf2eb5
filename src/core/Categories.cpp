#include "core/Categories.h"

#include "ui/MessageService.h"

namespace core {

namespace {
void resizeList(QStringList& list, int size) {
    while (list.size() < size)
        list << QString();
    while (list.size() > size)
        list.removeLast();
}
} // namespace

void Categories::CatInit() { CatWorkList.clear(); }

void Categories::CatSet(std::int32_t no, const QString& CatData) {
    if (no < 1)
        return;
    if (no > gCatCount || no > CatWorkList.size())
        resizeList(CatWorkList, qMax<int>(no, CatWorkList.size()));
    CatWorkList[no - 1] = CatData;
}

void Categories::CatGet(std::int32_t no, QString& CatData) const {
    if (no > gCatCount || no < 1 || no > CatWorkList.size()) {
        ui::messages().show(QStringLiteral("Debug 1"), QStringLiteral("Category Entry"));
        return;
    }
    CatData = CatWorkList[no - 1];
}

void Categories::CatDel(std::int32_t no) {
    if (no < 1 || no >= gCatCount)
        return;
    for (std::int32_t i = no; i <= gCatCount - 1 && i < CatWorkList.size(); ++i)
        CatWorkList[i - 1] = CatWorkList[i];
}

void Categories::CategoryGet(std::int32_t no, QString& CatData) const {
    if (no > CategoryCount || no < 1 || no > CategoryList.size()) {
        ui::messages().show(QStringLiteral("Debug 2"), QStringLiteral("Category Entry"));
        return;
    }
    CatData = CategoryList[no - 1];
}

void Categories::loadWorkingFromCommitted() {
    gCatCount = CategoryCount;
    CatWorkList = CategoryList.mid(0, CategoryCount);
}

void Categories::commitWorking() {
    CategoryCount = gCatCount;
    CategoryList = CatWorkList.mid(0, gCatCount);
    resizeList(CategoryList, gCatCount);
}

void Categories::setCommittedFromFile(const QStringList& names) {
    CategoryCount = std::int32_t(names.size());
    if (names.isEmpty())
        return;
    CategoryList = names;
    CatWorkList.clear();
    resizeList(CatWorkList, int(names.size()));
}

} // namespace core
