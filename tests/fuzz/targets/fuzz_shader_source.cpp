// Shader sources of any text, split into three files that may include each
// other (and themselves, and missing files): expansion ends, cycles and deep
// nesting are refused, and nothing is read outside its buffer.
#include "render/ConsoleColour.h"
#include "render/Shader.h"
#include "tests/fuzz/targets/FuzzFiles.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

// The parts are separated by 0xFF bytes; a missing part is an empty file.
void writeParts(const uint8_t* data, size_t size, const std::string (&paths)[3])
{
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = i < 2 ? all.find('\xFF', start) : std::string_view::npos;
        if (end == std::string_view::npos) end = all.size();
        const std::string_view part = start <= all.size() ? all.substr(start, end - start) : std::string_view{};
        writeFuzzFile(paths[i], reinterpret_cast<const uint8_t*>(part.data()), part.size());
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    console::setColourMode(console::ColourMode::Off);
    // The refusals are printed; the fuzzer's own output is what matters.
    if (!std::freopen("/dev/null", "w", stdout)) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Short names, so inputs can spell the includes: "#include a.glsl".
    const std::string folder = fuzzPath("");
    static const std::string paths[3] = {folder + "a.glsl", folder + "b.glsl", folder + "c.glsl"};
    writeParts(data, size, paths);
    // Includes are relative to the working directory, as in the player.
    std::error_code error;
    std::filesystem::current_path(folder, error);
    if (error) std::abort();

    TGLShader shader;
    shader.replacements["KEY"] = "#include b.glsl";
    const std::string source = shader.LoadSource("a.glsl");
    // With no cycles allowed, the text is bounded by the three files nested
    // at most 33 deep; anything beyond is a runaway expansion.
    if (source.size() > (size + 64) * 40 * 3) std::abort();
    return 0;
}
