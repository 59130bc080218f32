// The loader on its own: a document's text in, settings and findings out. It touches neither
// the settings in use nor the log, so a tool can run it beside the plugin: `check` links it
// without the plugin's state, so nothing it uses may reach LoadedConfigState().
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/config.h"
#include "config/findings.h"

namespace beastfinder::config {

struct LoadedDocument {
    PluginConfig settings;
    LoadedMessages messages;
};

// Reads `text` as config.json, putting each finding in `sink` as it is made. The colours
// `previous` holds stay where the file's do not follow the colour rule. Throws
// ConfigLoadError when the text is not JSON (its finding already in the sink) and
// ConfigValueError at the first value it cannot read.
LoadedDocument ReadConfigText(const std::string& text, FindingSink& sink,
                              const PluginConfig& previous);

// What a load of `text` would find, as the log would show it, in order; `settings` is
// what it would load (with host memory of its own), set only when nothing stopped it.
struct Examination {
    std::vector<Finding> findings;
    bool read = false;
    PluginConfig settings;
};
Examination ExamineConfig(const std::string& text);

// Writes each finding to the plugin's log as it is made.
class LogFindings final : public FindingSink {
  public:
    void Add(Finding finding) override;
};

}  // namespace beastfinder::config
