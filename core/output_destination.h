// Where one output of a run goes (a header, its companion file, the
// dependency file): a new file written unseen, an update that replaces a
// file only when its content changes, or the process's standard output.
// Nothing appears until the run publishes its outputs together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <system_error>

#include "core/job_options.h"
#include "core/outcome.h"
#include "core/page_buffer.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace core {

class OutputDestination {
public:
    // Prepares the destination. On failure returns nothing and says why in
    // `failure`.
    static std::optional<OutputDestination> Open(const std::string& path, OutputMode mode,
                                                 ConversionResult& failure);

    // Writes all `size` bytes; false on any error, whose reason is kept for
    // Failure(), and false at an update's first difference from the old file,
    // which must then be written whole: see Rewind().
    bool Write(const char* data, std::size_t size);

    // Once everything is written: an update that agreed so far learns
    // whether the old file holds more. Ok, or why the output cannot be had.
    ConversionResult Complete();

    // True when an update has found a difference after agreeing so far: the
    // output is written again from its first byte after Rewind().
    bool NeedsRewrite() const { return m_differs && !m_file; }

    // Starts again at the first byte: a destination that found a difference
    // now writes a new file with nothing taken from the old one, a new file
    // already written to is begun afresh, the others compare again.
    bool Rewind();

    // True when publishing replaces an existing file; false for a new file
    // and for an update that keeps the old one.
    bool Replaces() const { return m_mode == OutputMode::Update && m_file && m_replaces; }
    // True when publishing creates a new file.
    bool Creates() const { return m_file && !Replaces(); }

    // Flushes a file to be published to disk, ahead of the run's publishing.
    ConversionResult Flush();

    // Makes a new file visible as a member of `group`, or replaces the old
    // one; an identical old file and standard output need nothing. A
    // replaced file whose directory could not be flushed is Converted with
    // that reason: it is in place, but a crash may bring the old one back.
    ConversionResult Publish(platform::PublishGroup& group);

    // Why the first failed Write failed.
    ConversionResult Failure() const { return m_failure; }

    const std::string& Path() const { return m_path; }

private:
    OutputDestination(OutputMode mode, std::string path) : m_mode(mode), m_path(std::move(path)) {}
    bool Create();
    bool Agrees(const char* data, std::size_t size);
    bool Failed(Outcome outcome, std::error_code reason);

    OutputMode m_mode;
    std::string m_path;
    std::optional<platform::OutputFile> m_file;     // absent for standard output and while agreeing
    std::optional<platform::InputFile> m_existing;  // the file being updated, while agreeing
    std::optional<PageBuffer> m_compareBuffer;
    bool m_replaces = false;  // an update found a file to replace
    bool m_differs = false;   // the new content is not the old file's
    ConversionResult m_failure;
};

}  // namespace core
