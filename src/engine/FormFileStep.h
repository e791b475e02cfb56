// The form-file step of a replace run: what the replacer does with a form
// file (".DFM"/".NFM") that a unit names in a resource directive.
//
// The replacer reads the file (so that a missing or unreadable form stops the
// run with an error naming it), hands its bytes to the step and writes the
// step's result to the temporary folder when it reports changes. The base
// step leaves every form unchanged and collects no database names; the form
// conversion installs a step of its own (TComponentReplacer::SetFormFileStep).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace zan {

class TComponentReplacer;
struct TRunReport;

class TFormFileStep {
 public:
  virtual ~TFormFileStep() = default;

  struct TResult {
    int Changes = 0;    // converted objects; 0 leaves the original as it is
    std::string Bytes;  // the new file contents when Changes > 0 and no Encode
    /// When set, makes the new file contents instead of Bytes (checking and
    /// encoding the converted text); called once, on the thread that
    /// converted the form. May raise as ProcessFormFile does.
    std::function<std::string()> Encode;
  };

  /// Converts the objects of source classes in the form `fileName` (contents
  /// `bytes`). May raise; the run then stops with every original untouched.
  virtual TResult ProcessFormFile(TComponentReplacer& replacer, const std::u16string& fileName,
                                  const std::string& bytes);

  /// A step of the same configuration for converting forms on another thread
  /// beside this one, recording its report entries into `sink` (none when
  /// null) instead of the replacer's report; nullptr when the step cannot be
  /// run that way (the base).
  virtual std::unique_ptr<TFormFileStep> CloneForLane(TRunReport* sink) const;

  /// The first pass over the forms of a project run: records which database
  /// component declares which database name in the replacer's DBList.
  virtual void CollectDatabaseNames(TComponentReplacer& replacer, const std::u16string& fileName,
                                    const std::string& bytes);

  /// The run's FireDAC/AnyDAC configuration files, set before the files are processed.
  virtual void SetConfigFiles(const std::u16string& connectionDefFileName,
                              const std::u16string& driverConfFileName);
};

}  // namespace zan
