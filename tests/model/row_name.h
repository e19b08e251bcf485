#pragma once
// Names a parameterised test after its row: "two groups cut short" -> two_groups_cut_short.

#include <gtest/gtest.h>

#include <cctype>
#include <string>

template <class Row>
std::string rowName(const testing::TestParamInfo<Row>& row)
{
    std::string name = row.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
}
