#pragma once
// Messages that more than one driver shows.
namespace drivertext {
constexpr char kUnderrunAdvice[] = "Buffer underrun! You should reduce burning speed.";
constexpr char kUnderrun[] = "Buffer underrun!";
constexpr char kNoMemory[] = "No more memory.";
constexpr char kWriteFailed[] = "Write data failed.";
}  // namespace drivertext
