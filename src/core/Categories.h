// Goods categories: the committed list the program reads and the working list the settings dialog edits.
// Entries are numbered from 1; names are compared exactly.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace core {

// The category of the reserved goods seed row; it never enters either list.
inline const QString kReservedCategory = QStringLiteral("XXXXXXXXXXXXXXXXXXXX");

class Categories {
public:
    // Working list (the settings dialog keeps gCatCount; these operations never change it).
    void CatInit();
    void CatSet(std::int32_t no, const QString& CatData);
    void CatGet(std::int32_t no, QString& CatData) const; // "Debug 1" when no > gCatCount
    void CatDel(std::int32_t no);

    // Committed list.
    void CategoryGet(std::int32_t no, QString& CatData) const; // "Debug 2" when no > CategoryCount
    QStringList committed() const { return CategoryList.mid(0, CategoryCount); }
    bool contains(const QString& name) const { return committed().contains(name); }

    // Copies committed -> working (before the settings dialog shows) and working -> committed (after OK).
    void loadWorkingFromCommitted();
    void commitWorking();
    // What reading a control file does: the stored names become the committed list; the working list
    // gets room for as many entries and gCatCount stays.
    void setCommittedFromFile(const QStringList& names);

    std::int32_t gCatCount = 0;
    std::int32_t CategoryCount = 0;

private:
    QStringList CatWorkList;  // entry no is at index no - 1
    QStringList CategoryList; // likewise
};

} // namespace core
