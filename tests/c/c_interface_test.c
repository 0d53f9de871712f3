#include <zotrel/guid.h>
int main(void) { return 0; }
