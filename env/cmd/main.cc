#include "env/cmd/Cmdenv.h"

int main(int argc, char** argv)
{
    Cmdenv env;
    return env.main(argc, argv);
}
