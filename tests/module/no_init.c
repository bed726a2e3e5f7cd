/* A library without initModule: loaded, never called. */
int ravokTestNoInit(void) { return 42; }
