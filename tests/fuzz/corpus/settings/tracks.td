[Setting]
TextType=1
Speed=+7
Track1=‰¹.wav
Track2=
; a comment

[Other]
key = "quoted"
