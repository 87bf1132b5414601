#pragma once
// The version of the engine's task lists and search orders. Files that name work by its place
// in a task list (show's packing index, count's shares) carry it, so that one written by an
// engine whose tasks were others is never taken for this one's. Bump it whenever a task list,
// or the order in which a search meets its packings, changes.

namespace cubepack {

inline constexpr char kEngineVersion[] = "1";

}  // namespace cubepack
