print("before");
null.boom();
print("after");
