#pragma once
#include "config/exceptions.h"

// The process-wide instance of a class that start-up creates once (the
// configuration, the data modules, the windows and dialogs): the first object
// made registers itself and stays reachable through Instance() until it is
// destroyed. T names what is missing in T::kMissingInstance.
template <typename T>
class TProcessInstance {
public:
    static T &Instance()
    {
        if (!fInstance)
            throw Exception(QString::fromUtf8(T::kMissingInstance));
        return *fInstance;
    }

protected:
    TProcessInstance()
    {
        if (!fInstance)
            fInstance = static_cast<T *>(this);
    }
    ~TProcessInstance()
    {
        if (fInstance == static_cast<T *>(this))
            fInstance = nullptr;
    }
    TProcessInstance(const TProcessInstance &) = delete;
    TProcessInstance &operator=(const TProcessInstance &) = delete;

private:
    static inline T *fInstance = nullptr;
};
