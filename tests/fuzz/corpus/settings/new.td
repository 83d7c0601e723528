[Setting]
TextType=0
NormalFont=ÇlÇr ÉSÉVÉbÉN
NormalSize=4
NormalColor=16777215
PreviewHeight=480
PreviewWidth=640
BackColor=0
Speed=20
Loop=1
