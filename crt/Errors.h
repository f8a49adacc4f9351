#pragma once
// Messages the decoder throws. A failure is thrown as a pointer to one of these
// constant texts, so callers compare or print them without any class to know.

namespace crt {

inline constexpr const char* kNotCrtFile = "Not a crt file.";
inline constexpr const char* kUnknownEntropy = "Unknown entropy";
inline constexpr const char* kTruncated = "Truncated crt stream.";
inline constexpr const char* kCorrupt = "Corrupt crt stream.";
inline constexpr const char* kNoPosition = "No position attribute found. Use DIFF normal strategy instead.";
inline constexpr const char* kPositionOverloaded =
    "Position attr has been overloaded, Use DIFF normal strategy instead.";
inline constexpr const char* kNormalFinishFormat = "Format not supported for normal attribute (float, int16 only)";
inline constexpr const char* kNormalOutputFormat =
    "Format not supported for normal attribute (float, int32 or int16 only)";
inline constexpr const char* kColorOutputFormat = "Unsupported color output format.";
inline constexpr const char* kNoIndexOutput = "No index output given.";

}  // namespace crt
