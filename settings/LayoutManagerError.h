#pragma once

#include <QString>

#include <stdexcept>

// Error of the layout manager and its control layouts.
class ELayoutManager : public std::runtime_error {
public:
    explicit ELayoutManager(const QString& AMessage)
        : std::runtime_error(AMessage.toStdString())
        , FMessage(AMessage)
    {
    }
    QString Message() const { return FMessage; }

private:
    QString FMessage;
};

// Error of the recent-files list.
class ELayoutManagerMRU : public ELayoutManager {
public:
    using ELayoutManager::ELayoutManager;
};
