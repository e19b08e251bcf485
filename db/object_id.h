#pragma once
// Identity of a database-resident object: its owning database and its handle.

#include <compare>
#include <cstdint>

class AcDbDatabase;

// A handle is the object's number in its drawing, unique there and never reused;
// DXF files write it in hexadecimal (group code 5). Zero means no object.
using AcDbHandle = std::uint64_t;

class AcDbObjectId {
public:
    constexpr AcDbObjectId() = default;
    constexpr AcDbObjectId(AcDbDatabase* database, AcDbHandle handle) : database_(database), handle_(handle) {}

    static const AcDbObjectId kNull;

    constexpr bool isNull() const { return handle_ == 0; }
    constexpr AcDbHandle handle() const { return handle_; }
    constexpr AcDbDatabase* database() const { return database_; }

    friend constexpr bool operator==(const AcDbObjectId&, const AcDbObjectId&) = default;
    friend constexpr auto operator<=>(const AcDbObjectId& a, const AcDbObjectId& b)
    {
        if (auto c = a.handle_ <=> b.handle_; c != 0)
            return c;
        return std::compare_three_way{}(a.database_, b.database_);
    }

private:
    AcDbDatabase* database_ = nullptr;
    AcDbHandle handle_ = 0;
};

inline constexpr AcDbObjectId AcDbObjectId::kNull{};
