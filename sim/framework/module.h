// Loads the plugin module as the framework does: open the shared library (on Windows the
// loader's attach starts the plugin; elsewhere the module's Load does); at the end call its
// Plugin_Unload and close it.
#pragma once

#include <string>

namespace sim {

class PluginModule {
  public:
    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Opens and starts the module. False with `Error()` set when the module could not be
    // opened; a start that fails is `Started() == false` with the module open. (On Windows
    // a failed start makes the loader release the module again at once; it still counts as
    // open until Close.)
    bool Open(const std::string& path);
    bool Started() const { return started_; }
    const std::string& Error() const { return error_; }
    bool IsOpen() const { return open_; }

    // Runs the module's Plugin_Unload and closes it.
    void Close();

    // Where the module lies beside the running program.
    static std::string DefaultPath();

  private:
    void* handle_ = nullptr;
    bool open_ = false;
    bool started_ = false;
    std::string error_;
};

}  // namespace sim
