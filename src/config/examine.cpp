// Apart from the loader, so that the module, which never examines, does not carry it.
#include <utility>
#include <vector>

#include "config/loader.h"

namespace beastfinder::config {

namespace {

// Keeps what it is given, in order.
class CollectFindings final : public FindingSink {
  public:
    explicit CollectFindings(std::vector<Finding>& out) : out_(&out) {}
    void Add(Finding finding) override { out_->push_back(std::move(finding)); }

  private:
    std::vector<Finding>* out_;
};

}  // namespace

Examination ExamineConfig(const std::string& text) {
    Examination examination;
    CollectFindings sink(examination.findings);
    try {
        examination.settings = ReadConfigText(text, sink, PluginConfig{}).settings;
        examination.read = true;
    } catch (const ConfigLoadError&) {
        // Its finding is in already.
    } catch (const ConfigValueError& error) {
        examination.findings.push_back(error.finding());
    }
    return examination;
}

}  // namespace beastfinder::config
