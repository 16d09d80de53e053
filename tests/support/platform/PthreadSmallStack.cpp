// POSIX threads, which mingw-w64's run-time has too.

#include "SmallStack.h"

#include <pthread.h>

#include <system_error>

namespace {

extern "C" void* RunJob(void* job)
{
    (*static_cast<const std::function<void()>*>(job))();
    return nullptr;
}

}  // namespace

void RunOnSmallStack(std::size_t stackBytes, const std::function<void()>& job)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, stackBytes);
    pthread_t thread;
    const int error = pthread_create(&thread, &attributes, RunJob, const_cast<std::function<void()>*>(&job));
    pthread_attr_destroy(&attributes);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "pthread_create");
    pthread_join(thread, nullptr);
}
