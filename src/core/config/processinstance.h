#pragma once
#include "config/exceptions.h"

// The process-wide instance of a class that start-up creates once (the
// configuration, the data modules, the windows and dialogs): the first object
// made registers itself and stays reachable through Instance() until it is
// destroyed. T names what is missing in T::kMissingInstance.
//
// The registration keeps this base's own address: while the base is being
// built or torn down the T around it does not exist, so it is only turned
// into a T in Instance(), when the whole object is there.
template <typename T>
class TProcessInstance {
public:
    static T &Instance()
    {
        if (!fInstance)
            throw Exception(QString::fromUtf8(T::kMissingInstance));
        return static_cast<T &>(*fInstance);
    }

protected:
    TProcessInstance()
    {
        if (!fInstance)
            fInstance = this;
    }
    ~TProcessInstance()
    {
        if (fInstance == this)
            fInstance = nullptr;
    }
    TProcessInstance(const TProcessInstance &) = delete;
    TProcessInstance &operator=(const TProcessInstance &) = delete;

private:
    static inline TProcessInstance *fInstance = nullptr;
};
