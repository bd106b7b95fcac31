// The Make-style dependency file that build systems read after running the
// converter, as they read the ones compilers write.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/output_file.h"

namespace cli {

// "OUTPUT: INPUT" and a line end, escaped so that GNU Make and Ninja both
// read back exactly these two names, or the reason why they cannot.
struct DepfileText {
    std::string text;
    std::string problem;  // empty when the text can be written
};
DepfileText MakeDepfileText(std::string_view output, std::string_view input);

// A dependency file made ready before the conversion and put in place after
// it, so that one that cannot be written stops the job before a header is.
// It never replaces the input, the output, or anything but a regular file.
class Depfile {
public:
    struct Entry {
        std::string output;
        std::string input;
    };

    // Checks the names, the path and its folder, and writes the text unseen:
    // a line for each header with its own input. On failure returns nothing
    // and sets `problem` to the message.
    static std::optional<Depfile> Prepare(const std::string& path, std::vector<Entry> entries,
                                          std::string& problem);
    static std::optional<Depfile> Prepare(const std::string& path, const std::string& output,
                                          const std::string& input, std::string& problem) {
        return Prepare(path, {{output, input}}, problem);
    }

    // Once the header is in place: checks the path again and replaces the
    // file there in one step. On failure returns false and sets `problem`.
    bool Publish(std::string& problem);

private:
    Depfile(platform::OutputFile file, std::string path, std::vector<Entry> entries)
        : m_file(std::move(file)), m_path(std::move(path)), m_entries(std::move(entries)) {}

    platform::OutputFile m_file;
    std::string m_path;
    std::vector<Entry> m_entries;
};

}  // namespace cli
