// An executable that carries a pre-release version block and does nothing else; the version tests
// read its file.
int main()
{
    return 0;
}
