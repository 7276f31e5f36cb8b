/* Does nothing: its run time under Wine is Wine's own start-up and exit, which the
   speed benchmark subtracts from the programs it times. */
int main(void)
{
    return 0;
}
