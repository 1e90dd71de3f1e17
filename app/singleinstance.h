#pragma once

#include <QLockFile>
#include <QString>

// One kesto per log: a second sampler would count every second twice.
class SingleInstance
{
public:
    // The lock sits beside the log, in the user's home directory.
    SingleInstance();

    // True when this process is the only kesto of this user; a lock left by
    // a crashed kesto is taken over.
    bool acquire();

    static QString lockPath();

private:
    QLockFile lock;
};
