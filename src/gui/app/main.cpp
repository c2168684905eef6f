#include "app/Application.h"

int main(int argc, char **argv)
{
    return mrv::runApplication(argc, argv);
}
