TextType=1
[setting]
Loop=x
[Setting