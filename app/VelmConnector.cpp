#include "app/VelmConnector.h"

#include <windows.h>


namespace {

// A mailbox of this process only: it never holds an action of another program.
class LocalMailbox : public VelmActionMailbox {
public:
    bool IsMainAppRunning() override { return running_; }
    std::string ActionFilePath() override { return path_; }
    void ActionFilePath(const std::string& path) override { path_ = path; }
    std::string ActionLetter() override { return letter_; }
    void ActionLetter(const std::string& letter) override { letter_ = letter; }
    void NotifyMainApp() override {
        if (lastRegSvrActionNotifyEvent) lastRegSvrActionNotifyEvent();
    }
    bool ActionSucceeded() override { return succeeded_; }
    void ActionSucceeded(bool succeeded) override { succeeded_ = succeeded; }
    std::string MainAppFolder() override {
        char buf[MAX_PATH] = {};
        DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
        std::string path(buf, n);
        auto slash = path.find_last_of('\\');
        return slash == std::string::npos ? std::string() : path.substr(0, slash);
    }
    bool running_ = false;

private:
    std::string path_, letter_;
    bool succeeded_ = false;
};

class LocalConnector : public VelmSingleInstanceConnector {
public:
    std::shared_ptr<VelmActionMailbox> ActionMailbox() override { return mailbox_; }
    std::shared_ptr<VelmRegServer> RegServer() override { return server_; }
    void MainAppRunning(bool running) override { mailbox_->running_ = running; }

private:
    std::shared_ptr<LocalMailbox> mailbox_ = std::make_shared<LocalMailbox>();
    std::shared_ptr<VelmRegServer> server_ = std::make_shared<VelmRegServer>();
};

}  // namespace

std::shared_ptr<VelmSingleInstanceConnector> CreateVelmConnector() {
    return std::make_shared<LocalConnector>();
}
