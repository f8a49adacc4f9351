#pragma once
// Whether the show's generated data is in place before anything is opened.
#include <cstddef>
#include <string>
#include <vector>

// The data files and recording folders the show reads that are absent from
// the working directory, as relative paths ("newresources/danceexport/006");
// empty when all are there.
std::vector<std::string> MissingShowData();

// How many files and folders that check looks for.
constexpr size_t kShowDataItems = 6;
