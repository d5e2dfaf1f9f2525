#include "env/tk/Tkenv.h"

int main(int argc, char** argv)
{
    Tkenv env;
    return env.main(argc, argv);
}
