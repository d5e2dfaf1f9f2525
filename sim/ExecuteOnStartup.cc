#include "sim/ExecuteOnStartup.h"

ExecuteOnStartup* ExecuteOnStartup::head_ = nullptr;
ExecuteOnStartup* ExecuteOnStartup::tail_ = nullptr;

ExecuteOnStartup::ExecuteOnStartup(void (*code)()) : code_(code)
{
    if (tail_)
        tail_->next_ = this;
    else
        head_ = this;
    tail_ = this;
}

void ExecuteOnStartup::executeAll()
{
    for (ExecuteOnStartup* p = head_; p; p = p->next_) {
        if (!p->done_) {
            p->done_ = true;
            p->code_();
        }
    }
}
