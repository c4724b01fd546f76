// The runtime error: the one message this program ever shows, for the
// toolkit's own failures (a window that cannot be loaded, memory for a value
// that cannot be had). The program ends once it has been answered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class QMessageBox;

namespace tovalin::forms {

// The message as it is worded, line breaks included: the code only when it
// is not 0, the message only when there is one.
std::string runtime_error_text(int code, std::string_view message);

// The message for a value whose memory could not be had.
std::string allocation_failure_message(std::size_t bytes);

// The box, not yet shown: no owner, captioned "错误", with the stop icon.
std::unique_ptr<QMessageBox> make_runtime_error_box(int code, std::string_view message);

// Shows the box and, once it is closed, ends the process with status -1.
[[noreturn]] void runtime_error(int code, std::string_view message);

// Copies of values that cross the toolkit. Where the memory cannot be had,
// the runtime error ends the program rather than handing back less than was
// asked for.
std::vector<std::uint8_t> copy_value(std::span<const std::uint8_t> bytes);
std::string copy_value(std::string_view text);

}  // namespace tovalin::forms
