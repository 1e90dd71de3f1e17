#pragma once

#include <QLockFile>
#include <QString>

// One kesto per log: a second sampler would count every second twice.
class SingleInstance
{
public:
    // The lock sits beside the log, in the user's home directory.
    SingleInstance();

    // False when another kesto of this user runs; a lock left by a crashed
    // kesto is taken over, and a home that takes no lock lets kesto run.
    bool acquire();

    static QString lockPath();

private:
    QLockFile lock;
};
