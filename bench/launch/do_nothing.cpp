// A Windows program that does nothing: the cost of one process start.
int main() {
    return 0;
}
