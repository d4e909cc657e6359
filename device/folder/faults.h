#pragma once
// The test switches of folder_device.h, read from the environment at each use.
#include <cstdint>
#include <optional>

namespace folder_device {

// The error a call of the named step must fail with, counting this call; nullopt: go on. A call
// VIRESKA_PDA_EXIT_AT names ends the process here instead.
std::optional<std::uint32_t> InjectedFailure(const char* step);
// A connection attempt starts: counting begins again.
void ResetStepCounts();

std::uint32_t ConnectDelayMs();
std::uint32_t WriteDelayMs();

}  // namespace folder_device
