// Writes the radio record into a softpot archive file (*.sfp) and fills it again from one.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "operations/UserPrompt.h"

namespace vantrel {

class radioStorage;

/// What an archive load came to. Every outcome but Loaded has already been told to the user.
enum class ArchiveLoadResult {
    Loaded,            ///< record filled; "Tuning data has been loaded." shown; tuning allowed
    CannotOpen,        ///< file missing or unreadable; record untouched
    InvalidFormat,     ///< no magic word, no complete header, or a damaged number run; record untouched
    Incompatible,      ///< data version below 33; serial and model number already stored
    InvalidProcedure,  ///< procedure version not 1 or 2; identity, data version and procedure stored;
                       ///< all tuning blocked
};

/// The softpot archive file module. The application owns one for the whole run; the command-line tool
/// makes its own. Messages go through the prompt given at construction, which must outlive the module.
class fileModule {
  public:
    /// Answers the key of the next save, 0..32767 (values outside are reduced modulo 32768).
    using KeySource = std::function<std::int32_t()>;

    /// Filter and default extension of the open and save dialogs.
    static constexpr std::string_view kDialogFilter = "Tuner files (*.sfp)|*.sfp|";
    static constexpr std::string_view kDefaultExtension = "sfp";

    /// `keys` chooses the key of each save; empty means a generator seeded from the wall clock at each
    /// save (timeSeededKey).
    explicit fileModule(UserPrompt& prompt, KeySource keys = {});

    /// Writes `record` to `path`. The file is first written in full to a temporary file beside it and
    /// then put in place, so a failure at any step leaves a previous file of that name as it was. On
    /// failure shows "Archive File could not be saved!!" and answers false. Shows nothing on success
    /// (the caller tells "Tuning data has been saved.").
    bool writeArchive(const std::string& path, const radioStorage& record);

    /// Fills `record` from the archive at `path` and shows the outcome (a success note or one error).
    /// Reads no more than the first 2000 bytes. A file whose key or number run is cut short or holds a
    /// byte that is no digit where a length or value digit must stand is not an archive (InvalidFormat,
    /// record untouched); bytes after the 140th entry are ignored.
    ArchiveLoadResult readArchive(const std::string& path, radioStorage& record);

    /// After a failed save or a failed open: the path and the system's reason, e.g.
    /// "/tmp/x.sfp: Permission denied", for a second line under the message. Empty after a success.
    const std::string& lastFailureDetail() const { return m_lastFailureDetail; }

    /// The file name of the last load, remembered before the file is opened.
    const std::string& archiveFileName() const { return m_archiveFileName; }

    /// How a load changes the application's tuning-allowed flag: true after a load, false after a file
    /// with an invalid procedure version, no change otherwise.
    static std::optional<bool> tuningAllowedAfter(ArchiveLoadResult result);

    /// The whole archive text of `record` with the given key (0..32767).
    static std::string encodeArchive(const radioStorage& record, std::int32_t key);

    /// The self-inverse text scrambling of the serial and model fields: odd bytes b become 128 - b,
    /// even bytes 40 - b (mod 256). Every byte of `text` is transformed, NUL bytes included.
    static void scramble(std::string& text);

    /// Status bar text after a read or a load: "Radio Serial No :" serial, 95 blanks, "Radio Model No: "
    /// model.
    static std::string statusText(const radioStorage& record);

    /// A key from a generator seeded with the current wall-clock time (nanoseconds), 0..32767.
    static std::int32_t timeSeededKey();

  private:
    void tell(const std::string& text, const char* caption, PromptIcon icon);

    UserPrompt& m_prompt;
    KeySource m_keys;
    std::string m_archiveFileName;
    std::string m_lastFailureDetail;
};

}  // namespace vantrel
