// Program entry: builds the promotion window (which opens its database connection and
// fills the product browser), then the hidden lookup dialog, then runs the event loop.

#include "StartUp.h"

int main(int argc, char **argv)
{
    return runTarnPromotion(argc, argv);
}
