// Loads the plugin module as the framework does: open the shared library, call Load;
// at the end call Unload and close it.
#pragma once

#include <string>

namespace sim {

class PluginModule {
  public:
    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Opens the module and runs its Load. False with `Error()` set when the module could not
    // be opened; a Load that reports failure is `Started() == false` with the module open.
    // (On Windows the loader runs Load from DllMain and, when it fails, has already run
    // Unload and released the module; it still counts as open until Close.)
    bool Open(const std::string& path);
    bool Started() const { return started_; }
    const std::string& Error() const { return error_; }
    bool IsOpen() const { return open_; }

    // Runs Unload and closes the module.
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
