#include "app/ShowDataCheck.h"

#include <filesystem>
#include <system_error>

std::vector<std::string> MissingShowData()
{
    // What the dancers part loads, less the keyframes that come with the
    // program: all of it is made by quellin-showgen.
    static const char* const kMade[kShowDataItems] = {
        "newresources/11_velisse_and_the_norrows_-_quellin_and_vessary.mp3",
        "newresources/velisse.png",
        "newresources/quellin.xyz",
        "newresources/danceexport/006",
        "newresources/danceexport/009",
        "newresources/danceexport/011",
    };
    std::vector<std::string> missing;
    for (const char* path : kMade) {
        std::error_code error;
        if (!std::filesystem::exists(path, error)) missing.emplace_back(path);
    }
    return missing;
}
