// What the main program uses of the single-instance connector: the action mailbox that the
// registration server fills, the registration object, and the events of both. Until the
// shared connector is available the program runs against a stand-in that keeps an empty
// mailbox of its own and never reports an action.
#pragma once
#include <functional>
#include <memory>
#include <string>

class VelmActionMailbox {
public:
    virtual ~VelmActionMailbox() = default;
    virtual bool IsMainAppRunning() = 0;
    virtual std::string ActionFilePath() = 0;
    virtual void ActionFilePath(const std::string& path) = 0;
    virtual std::string ActionLetter() = 0;
    virtual void ActionLetter(const std::string& letter) = 0;
    virtual void NotifyMainApp() = 0;
    virtual bool ActionSucceeded() = 0;
    virtual void ActionSucceeded(bool succeeded) = 0;
    virtual std::string MainAppFolder() = 0;
    // lastRegSvrActionNotifyEvent: an action is waiting in the mailbox.
    std::function<void()> lastRegSvrActionNotifyEvent;
};

class VelmRegServer {
public:
    virtual ~VelmRegServer() = default;
    // Each finished event carries a text and a second argument that the main program ignores.
    std::function<void(const std::string&, long)> DeRegisterComponentFinishedEvent;
    std::function<void(const std::string&, long)> RegisterComponentFinishedEvent;
};

class VelmSingleInstanceConnector {
public:
    virtual ~VelmSingleInstanceConnector() = default;
    virtual std::shared_ptr<VelmActionMailbox> ActionMailbox() = 0;
    virtual std::shared_ptr<VelmRegServer> RegServer() = 0;
    virtual void MainAppRunning(bool running) = 0;
};

// Creates the connector the main program works with.
std::shared_ptr<VelmSingleInstanceConnector> CreateVelmConnector();
