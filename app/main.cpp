#include "app/deluge.h"

int main() { runDeluge(); }
