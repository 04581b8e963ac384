/* A tiny shared library whose only purpose is to be read by the file version tests. */
int qv_version_probe(int x);
int qv_version_probe(int x) { return x + 1; }
